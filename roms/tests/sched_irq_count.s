| origin: 0xFC0000
| Counts the interrupts the machine raises over FRAMES frames, measured from one
| vertical blank to another: horizontal blank, MFP timer A (3342 cycles), timer B
| (event count, every displayed line), timer C (53248 cycles) and timer D (3328 cycles).
| The counts are left at RESULTS when DONE holds "DONE".
        .include "sched_tos_header.i"

        .equ    COUNTS, 0x10000         | running counts, cleared at the first VBL
        .equ    VBLS, COUNTS + 0
        .equ    HBLS, COUNTS + 4
        .equ    TIMER_A, COUNTS + 8
        .equ    TIMER_B, COUNTS + 12
        .equ    TIMER_C, COUNTS + 16
        .equ    TIMER_D, COUNTS + 20
        .equ    COUNT_LONGS, 6
        .equ    RESULTS, 0x10100        | the counts at the last VBL, same layout
        .equ    DONE, 0x10200
        .equ    FIRST_VBL, 2            | the first frame holds the set-up
        .equ    FRAMES, 5

        .equ    MFP, 0xFFFA00
        .equ    IERA, 0x07
        .equ    IERB, 0x09
        .equ    IMRA, 0x13
        .equ    IMRB, 0x15
        .equ    VR, 0x17
        .equ    TACR, 0x19
        .equ    TBCR, 0x1B
        .equ    TCDCR, 0x1D
        .equ    TADR, 0x1F
        .equ    TBDR, 0x21
        .equ    TCDR, 0x23
        .equ    TDDR, 0x25

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        lea     COUNTS,a0
        moveq   #COUNT_LONGS-1,d0
clear:  clr.l   (a0)+
        dbra    d0,clear
        clr.l   DONE

        move.l  #hbl,0x68               | level 2 autovector
        move.l  #vbl,0x70               | level 4 autovector
        move.l  #timer_d,0x110          | MFP vectors $44, $45, $48, $4D
        move.l  #timer_c,0x114
        move.l  #timer_b,0x120
        move.l  #timer_a,0x134

        lea     MFP,a1
        move.b  #0x40,VR(a1)            | vectors $40-$4F, automatic end of interrupt
        move.b  #0x21,IERA(a1)          | timers A and B
        move.b  #0x21,IMRA(a1)
        move.b  #0x30,IERB(a1)          | timers C and D
        move.b  #0x30,IMRB(a1)
        clr.b   TADR(a1)                | 256 ticks
        move.b  #0x01,TACR(a1)          | prescale 4
        move.b  #1,TBDR(a1)
        move.b  #0x08,TBCR(a1)          | event count: every line
        clr.b   TCDR(a1)
        clr.b   TDDR(a1)
        move.b  #0x51,TCDCR(a1)         | C prescale 64, D prescale 4
        move.w  #0x2100,sr              | everything above level 1
idle:   bra.s   idle

hbl:    addq.l  #1,HBLS
        rte
timer_a:
        addq.l  #1,TIMER_A
        rte
timer_b:
        addq.l  #1,TIMER_B
        rte
timer_c:
        addq.l  #1,TIMER_C
        rte
timer_d:
        addq.l  #1,TIMER_D
        rte

| The counts are cleared and copied with every interrupt held off, so that both ends of
| the measure see the same instant.
vbl:    move.w  #0x2700,sr
        addq.l  #1,VBLS
        cmp.l   #FIRST_VBL,VBLS
        bne.s   vbl_last
        clr.l   HBLS
        clr.l   TIMER_A
        clr.l   TIMER_B
        clr.l   TIMER_C
        clr.l   TIMER_D
vbl_last:
        cmp.l   #FIRST_VBL+FRAMES,VBLS
        bne.s   vbl_end
        lea     COUNTS,a0
        lea     RESULTS,a2
        moveq   #COUNT_LONGS-1,d0
copy:   move.l  (a0)+,(a2)+
        dbra    d0,copy
        move.l  #0x444F4E45,DONE        | "DONE"
vbl_end:
        rte
