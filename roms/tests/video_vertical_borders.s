| origin: 0xFC0000
| Top and bottom borders opened: 60 Hz for a moment at cycle 304 of line 33 and at
| cycle 116 of line 262. 272 lines of pattern are shown.
        .include "sched_tos_header.i"
        .include "video_common.i"

start:  video_setup
        load_palette colours
        fill_pattern SCREEN, 21760, 0x9E37
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     SYNC_MODE,a2
        moveq   #0,d0                   | 60 Hz
        moveq   #2,d2                   | 50 Hz
        wait_for_lines

vbl:    moveq   #0,d7
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   #33,d7                  | 76
        beq.s   top                     | 84, taken: 12
        cmp.w   #262,d7                 | 92
        beq.s   bottom                  | 100, taken: 12
        rte
top:    .rept   51                      | 96
        nop
        .endr
        move.b  d0,(a2)                 | 300: 60 Hz at 304
        move.b  d2,(a2)
        rte
bottom: move.b  d0,(a2)                 | 112: 60 Hz at 116
        move.b  d2,(a2)
        rte

colours:
        standard_colours
