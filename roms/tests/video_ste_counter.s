| origin: 0xFC0000
| STE: the video counter rewritten in the right border of line 150 (cycles 440, 448
| and 456) to $030000, where a second pattern lies; the following lines show it.
        .include "sched_tos_header.i"
        .include "video_common.i"

        .equ    SECOND_SCREEN, 0x30000

start:  video_setup
        load_palette colours
        fill_pattern SCREEN, 16000, 0x9E37
        fill_pattern SECOND_SCREEN, 16000, 0x2F1B
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     COUNTER_HIGH,a3
        lea     COUNTER_MID,a4
        lea     COUNTER_LOW,a5
        moveq   #SECOND_SCREEN>>16,d0
        moveq   #0,d1
        wait_for_lines

vbl:    moveq   #0,d7
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   #150,d7                 | 76
        beq.s   rewrite                 | 84, taken: 12
        rte
rewrite:
        .rept   85                      | 96
        nop
        .endr
        move.b  d0,(a3)                 | 436: at 440
        move.b  d1,(a4)                 | 444: at 448
        move.b  d1,(a5)                 | 452: at 456
        rte

colours:
        standard_colours
