| origin: 0xFC0000
| An idle machine for measuring the emulator's own cost: the processor waits in STOP
| between vertical blanks, which it counts at $10000. Horizontal blanks stay masked.
        .include "sched_tos_header.i"

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        clr.l   0x10000
        move.l  #vbl,0x70
wait:   stop    #0x2300
        bra.s   wait

vbl:    addq.l  #1,0x10000
        rte
