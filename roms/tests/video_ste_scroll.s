| origin: 0xFC0000
| STE: the line offset and the pixel scroll, set at the start of the frame and changed
| in mid-screen, on plain lines and on a line with both side borders open; the video
| counter read within lines and across the ends of lines.
|
| The vertical blank sets a line offset of 4 words and a scroll of 5 through $FF8265
| (with the extra fetch). Then, by frame line:
|   90   in mid-line: scroll 11, line offset 0
|   101  both side borders open (high resolution at cycle 12, 60 Hz at 388)
|   120  $FF8265 = 0, then $FF8264 = 9 (scroll without the extra fetch), line offset 224
|   150  two bytes short (60 Hz at 372)
|   170  medium resolution, $FF8265 = 3
|   200  low resolution, scroll 0, line offset 0
|   230  line offset 2
| On each line of `lines` the counter is read at cycles 108 (low byte), 288 (low), 500
| (middle), 508 (low), and at cycles 4 (low) and 12 (middle) of the next line; the six
| bytes go to RESULTS, line after line.
        .include "sched_tos_header.i"
        .include "video_common.i"

        .equ    RESULTS, 0x30000
        .equ    LINE_OFFSET, 0xFF820F
        .equ    SCROLL_NO_FETCH, 0xFF8264
        .equ    SCROLL, 0xFF8265

start:  video_setup
        load_palette colours
        clr.b   RESOLUTION
        fill_pattern SCREEN, 36000, 0x9E37
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     SYNC_MODE,a2
        lea     RESOLUTION,a3
        lea     COUNTER_MID,a4
        lea     COUNTER_LOW,a0
        moveq   #0,d6                   | 60 Hz, low resolution
        wait_for_lines

vbl:    moveq   #0,d7
        lea     lines(pc),a6
        lea     RESULTS,a5
        move.b  #4,LINE_OFFSET
        move.b  #5,SCROLL
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   (a6),d7                 | 76
        beq.w   reads                   | 84, taken or not: 12
        cmp.w   #100,d7                 | 96
        beq.w   borders                 | 104
        cmp.w   #150,d7                 | 116
        beq.w   short2                  | 124
        cmp.w   #90,d7
        beq.s   mid_line
        cmp.w   #120,d7
        beq.s   no_fetch
        cmp.w   #170,d7
        beq.s   medium
        cmp.w   #200,d7
        beq.s   plain
        cmp.w   #230,d7
        beq.s   last_offset
        rte

mid_line:
        move.b  #11,SCROLL
        move.b  d6,LINE_OFFSET
        rte
no_fetch:
        move.b  d6,SCROLL
        move.b  #9,SCROLL_NO_FETCH
        move.b  #224,LINE_OFFSET
        rte
medium: move.b  #1,(a3)
        move.b  #3,SCROLL
        rte
plain:  move.b  d6,(a3)
        move.b  d6,SCROLL
        move.b  d6,LINE_OFFSET
        rte
last_offset:
        move.b  #2,LINE_OFFSET
        rte

| From line 100 into line 101 (cycles counted from the start of line 100).
borders:
        moveq   #2,d3                   | 116
        .rept   100                     | 120
        nop
        .endr
        move.b  d3,(a3)                 | 520: high resolution at 524, line 101 cycle 12
        move.b  d6,(a3)                 | 528: low again at 532
        .rept   90                      | 536
        nop
        .endr
        move.b  d6,(a2)                 | 896: 60 Hz at 900, line 101 cycle 388
        move.b  #2,(a2)                 | 904: 50 Hz at 908
        rte

short2: .rept   58                      | 136
        nop
        .endr
        move.b  d6,(a2)                 | 368: 60 Hz at 372
        move.b  #2,(a2)                 | 376: 50 Hz at 380
        rte

reads:  addq.l  #2,a6                   | 96
        move.b  (a0),d0                 | 104: low byte at 108
        .rept   43                      | 112
        nop
        .endr
        move.b  (a0),d1                 | 284: at 288
        .rept   51                      | 292
        nop
        .endr
        move.b  (a4),d2                 | 496: middle byte at 500
        move.b  (a0),d3                 | 504: at 508
        move.b  (a0),d4                 | 512: next line, at 4
        move.b  (a4),d5                 | 520: at 12
        move.b  d0,(a5)+
        move.b  d1,(a5)+
        move.b  d2,(a5)+
        move.b  d3,(a5)+
        move.b  d4,(a5)+
        move.b  d5,(a5)+
        rte

colours:
        standard_colours

lines:  .word   63, 88, 91, 103, 125, 180, 262, 300, 0xFFFF
