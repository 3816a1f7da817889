| origin: 0xFC0000
| Video counter reads at known cycles. On each line of the table the three counter
| bytes are read at cycles 104, 112 and 120 and the low byte again at 288; the four
| bytes go to RESULTS, line after line. The frame's base is $010000 (written in line
| 311 for the next frame) while the video base register holds $020000 from the
| vertical blank on, which the counter shows from line 310.
        .include "sched_tos_header.i"
        .include "video_common.i"

        .equ    RESULTS, 0x30000

start:  video_setup
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     COUNTER_HIGH,a3
        lea     COUNTER_MID,a4
        lea     COUNTER_LOW,a0
        lea     lines(pc),a6
        lea     RESULTS,a5
        wait_for_lines

vbl:    moveq   #0,d7
        lea     lines(pc),a6
        lea     RESULTS,a5
        move.b  #0x02,VIDEO_BASE_HIGH
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   (a6),d7                 | 76
        bne.s   other                   | 84, not taken: 8
        addq.l  #2,a6                   | 92
        move.b  (a3),d0                 | 100: read at 104
        move.b  (a4),d1                 | 108: read at 112
        move.b  (a0),d2                 | 116: read at 120
        .rept   40                      | 124
        nop
        .endr
        move.b  (a0),d3                 | 284: read at 288
        move.b  d0,(a5)+
        move.b  d1,(a5)+
        move.b  d2,(a5)+
        move.b  d3,(a5)+
        rte
other:  cmp.w   #311,d7
        bne.s   1f
        move.b  #0x01,VIDEO_BASE_HIGH
1:      rte

lines:  .word   40, 63, 64, 150, 262, 263, 300, 309, 310, 0xFFFF
