| origin: 0xFC0000
| One palette change in the middle of line 100: the background turns red at cycle 188
| of that line, inside the sixth block of the picture. The vertical blank turns it back
| to black.
        .include "sched_tos_header.i"
        .include "video_common.i"

        .equ    TARGET_LINE, 100

start:  video_setup
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     PALETTE,a1
        move.w  #0x700,d1
        wait_for_lines

vbl:    moveq   #0,d7
        clr.w   PALETTE
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   #TARGET_LINE,d7         | 76
        bne.s   1f                      | 84, not taken: 8
        .rept   23                      | 92
        nop
        .endr
        move.w  d1,(a1)                 | 184: the write at 188
1:      rte
