| origin: 0xFC0000
| A busy machine for measuring the emulator's speed: the processor never stops,
| summing a 4 KB block of RAM over and over, while timer B interrupts on every
| displayed line and the vertical blank is counted at $10000.
        .include "sched_tos_header.i"

        .equ    MFP, 0xFFFA00

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        clr.l   0x10000
        move.l  #vbl,0x70
        move.l  #timer_b,0x120
        lea     MFP,a1
        move.b  #0x40,0x17(a1)          | VR: vectors $40-$4F, automatic end of interrupt
        move.b  #0x01,0x13(a1)          | IMRA: timer B
        move.b  #1,0x21(a1)             | TBDR
        move.b  #0x08,0x1B(a1)          | TBCR: event count
        move.w  #0x2300,sr
sum:    lea     0x18000,a0
        move.w  #1023,d0
sum_long:
        move.l  (a0)+,d1
        add.l   d1,d2
        eor.l   d2,d3
        dbra    d0,sum_long
        bra.s   sum

vbl:    addq.l  #1,0x10000
        rte
timer_b:
        addq.l  #1,d4
        rte
