| origin: 0xFC0000
| A machine whose picture and sound change every frame and depend only on state a
| snapshot holds. The vertical-blank handler steps colour 0 and the level of sound
| channel A (a tone period of 1 holds the tone output high, so the channel is a level
| DAC); the main loop wakes from STOP at each vertical blank, draws a stripe into screen
| memory and changes the level again mid-frame. Channel B plays a tone and channel C
| noise through the repeating triangle envelope, so that the sound also depends on where
| each generator stands in its period.
        .include "sched_tos_header.i"

        .equ    COUNTER, 0x10000
        .equ    SCREEN, 0x78000
        .equ    YM, 0xFF8800

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        move.l  #vbl,0x70
        clr.w   COUNTER
        move.b  #SCREEN >> 16,0xFF8201
        move.b  #(SCREEN >> 8) & 0xFF,0xFF8203
        lea     YM,a0
        move.b  #0,(a0)                 | tone A period 1
        move.b  #1,2(a0)
        move.b  #1,(a0)
        move.b  #0,2(a0)
        move.b  #2,(a0)                 | tone B period 0x123
        move.b  #0x23,2(a0)
        move.b  #3,(a0)
        move.b  #0x01,2(a0)
        move.b  #6,(a0)                 | noise period 16
        move.b  #16,2(a0)
        move.b  #11,(a0)                | envelope period 0x300: a ramp in 5 frames
        move.b  #0,2(a0)
        move.b  #12,(a0)
        move.b  #3,2(a0)
        move.b  #13,(a0)                | envelope shape 14: a repeating triangle
        move.b  #14,2(a0)
        move.b  #8,(a0)                 | volume A
        move.b  #0,2(a0)
        lea     SCREEN,a1
        lea     SCREEN + 32000,a2

loop:   stop    #0x2300
        move.w  COUNTER,d0
        move.w  d0,d1
        mulu    #0x9E37,d1              | a pattern that changes every frame
        moveq   #79,d2
draw:   move.w  d1,(a1)+
        add.w   d0,d1
        dbra    d2,draw
        cmpa.l  a2,a1
        blo.s   level
        lea     SCREEN,a1
level:  lsr.w   #1,d0
        eor.b   #5,d0
        and.b   #15,d0
        move.b  #8,YM
        move.b  d0,YM + 2
        bra.s   loop

vbl:    movem.l d0/a0,-(sp)
        addq.w  #1,COUNTER
        move.w  COUNTER,d0
        move.w  d0,0xFF8240
        lea     YM,a0
| The chip's reset at the end of the first frame turns the mixer off and the volumes
| down: they are set again every frame.
        move.b  #7,(a0)                 | mixer: tones A and B, noise C
        move.b  #0x1C,2(a0)
        move.b  #9,(a0)                 | volume B
        move.b  #10,2(a0)
        move.b  #10,(a0)                | volume C: the envelope
        move.b  #0x10,2(a0)
        move.b  #8,(a0)
        and.b   #15,d0
        move.b  d0,2(a0)
        movem.l (sp)+,d0/a0
        rte
