| origin: 0xFC0000
| The debugger's test program: a subroutine call to step over, a RAM word written and
| one read, a sound chip access right after a RAM read (its wait states count the
| instruction's first I/O access), a long write, and a vertical blank handler. The
| labels sit at fixed offsets that the tests name.
        .include "sched_tos_header.i"

start:
        move.w  #0x2700,sr
        lea     0x8000,sp
        move.l  #vbl,0x70
        moveq   #0,d0
        lea     0x9000,a0
        move.w  #0x2300,sr
        bra.w   loop

        .org    0x100
loop:   bsr.w   sub                     | $FC0100
        move.w  d0,(a0)                 | $FC0104: writes $9000
        tst.w   2(a0)                   | $FC0106: reads $9002
        move.b  (a0),0xFFFF8802.w       | $FC010A: RAM, then the sound chip
        move.l  d0,4(a0)                | $FC010E: writes $9004 and $9006
        .rept   40
        nop
        .endr
        bra.w   loop

        .org    0x200
sub:    addq.w  #1,d0                   | $FC0200
        rts

        .org    0x300
vbl:    addq.l  #1,0x9100               | $FC0300
        rte
