| origin: 0xFC0000
| Jumps into unmapped memory on its first start with the stack pointer in the ROM:
| the bus error cannot stack its frame and the processor halts. The cold reset that follows leaves
| the MFP's AER alone, so the second start finds its mark there, writes "REST" at
| $10000 and counts vertical blanks at $10004 to show that the machine runs on.
        .include "sched_tos_header.i"

        .equ    AER, 0xFFFA03
        .equ    MARK, 0xA5

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        cmp.b   #MARK,AER
        beq.s   restarted
        move.b  #MARK,AER
        lea     0xFC0100,sp             | writes there fault
        jmp     0x500000                | no memory answers there

restarted:
        move.l  #0x52455354,0x10000     | "REST"
        clr.l   0x10004
        move.l  #vbl,0x70
        move.w  #0x2300,sr
idle:   bra.s   idle

vbl:    addq.l  #1,0x10004
        rte
