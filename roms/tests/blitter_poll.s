| origin: 0xFC0000
| The STE blitter as TOS drives it. First every register is written with all ones and
| read back (BUSY is set with no line to do, which starts nothing). Then a copy of 16
| lines of 20 words runs in the shared mode while the program polls BUSY the way
| Atari's documentation shows, restarting the blitter with BSET; the polls and the
| registers after the blit are stored. Last, a blit of 65,536 x 65,535 words starts in
| the shared mode, and the program keeps reading the Y count while the vertical blank
| interrupt counts frames.
        .include "sched_tos_header.i"

        .equ    BLIT, 0xFF8A00
        .equ    HALFTONE, 0x00
        .equ    SRC_XINC, 0x20
        .equ    SRC_YINC, 0x22
        .equ    SRC_ADDR, 0x24
        .equ    ENDMASK1, 0x28
        .equ    ENDMASK2, 0x2A
        .equ    ENDMASK3, 0x2C
        .equ    DST_XINC, 0x2E
        .equ    DST_YINC, 0x30
        .equ    DST_ADDR, 0x32
        .equ    X_COUNT, 0x36
        .equ    Y_COUNT, 0x38
        .equ    HOP, 0x3A
        .equ    CONTROL, 0x3C
        .equ    BUSY_BIT, 7

        .equ    READBACK, 0x10000       | the 31 register words after the all-ones writes
        .equ    POLLS, 0x10040          | long: BSET polls of the copy
        .equ    AFTER, 0x10044          | the 31 register words after the copy
        .equ    VBLS, 0x10084           | long: vertical blanks during the huge blit
        .equ    Y_NOW, 0x10088          | word: the huge blit's Y count, read continuously
        .equ    HUGE, 0x1008C           | "HUGE" once that blit is started
        .equ    SOURCE, 0x30000
        .equ    DEST, 0x40000

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        move.l  #vbl,0x70
        lea     BLIT,a5

        moveq   #HOP/2-1,d0             | every word up to HOP/OP: all ones
        move.l  a5,a0
ones:   move.w  #0xFFFF,(a0)+
        dbra    d0,ones
        move.w  #0xFFFF,HOP(a5)
        clr.w   Y_COUNT(a5)
        move.w  #0xFFFF,CONTROL(a5)     | BUSY, HOG, SMUDGE, line 15, FXSR, NFSR, skew 15
        lea     READBACK,a1
        bsr     copy_registers

        lea     SOURCE,a0               | the source: 320 counting words
        move.w  #320-1,d0
        moveq   #0,d1
fill:   move.w  d1,(a0)+
        addq.w  #1,d1
        dbra    d0,fill

        move.w  #2,SRC_XINC(a5)
        move.w  #2,SRC_YINC(a5)
        move.l  #SOURCE,SRC_ADDR(a5)
        move.w  #0xFFFF,ENDMASK1(a5)
        move.w  #0xFFFF,ENDMASK2(a5)
        move.w  #0xFFFF,ENDMASK3(a5)
        move.w  #2,DST_XINC(a5)
        move.w  #42,DST_YINC(a5)        | destination lines 80 bytes apart
        move.l  #DEST,DST_ADDR(a5)
        move.w  #20,X_COUNT(a5)
        move.w  #16,Y_COUNT(a5)
        move.w  #0x0203,HOP(a5)         | source, copy
        move.w  #0x8000,CONTROL(a5)     | BUSY, shared mode, line 0, no skew
        moveq   #0,d7
poll:   addq.l  #1,d7
        bset.b  #BUSY_BIT,CONTROL(a5)   | restart the blitter and test BUSY
        nop
        bne.s   poll
        move.l  d7,POLLS
        lea     AFTER,a1
        bsr     copy_registers

        clr.l   VBLS
        move.w  #0,DST_XINC(a5)         | fill one word over and over
        move.w  #0,DST_YINC(a5)
        move.w  #0x000F,HOP(a5)         | all ones
        clr.w   X_COUNT(a5)             | 65,536 words a line
        move.w  #0xFFFF,Y_COUNT(a5)
        move.w  #0x2300,sr
        move.b  #0x80,CONTROL(a5)
        move.l  #0x48554745,HUGE        | "HUGE"
watch:  move.w  Y_COUNT(a5),Y_NOW
        bra.s   watch

copy_registers:
        move.l  a5,a0
        moveq   #31-1,d0
copy:   move.w  (a0)+,(a1)+
        dbra    d0,copy
        rts

vbl:    addq.l  #1,VBLS
        rte
