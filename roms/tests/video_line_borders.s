| origin: 0xFC0000
| Line tricks on three lines: line 101 with both side borders open (high resolution at
| cycle 12, 60 Hz at cycle 388), line 150 two bytes short (60 Hz at 372), line 200 cut
| at cycle 168 (high resolution).
        .include "sched_tos_header.i"
        .include "video_common.i"

start:  video_setup
        load_palette colours
        fill_pattern SCREEN, 16100, 0x9E37
        move.l  #hbl,HBL_VECTOR
        move.l  #vbl,VBL_VECTOR
        lea     SYNC_MODE,a2
        lea     RESOLUTION,a3
        moveq   #0,d0                   | 60 Hz
        moveq   #2,d2                   | 50 Hz
        moveq   #2,d3                   | high resolution
        moveq   #0,d4                   | low resolution
        wait_for_lines

vbl:    moveq   #0,d7
        rte

hbl:    addq.w  #1,d7                   | cycle 72
        cmp.w   #100,d7                 | 76
        beq.w   both                    | 84, taken or not: 12
        cmp.w   #150,d7                 | 96
        beq.w   short2                  | 104
        cmp.w   #200,d7                 | 116
        beq.w   short106                | 124
        rte

| From line 100 into line 101 (cycles counted from the start of line 100).
both:   .rept   106                     | 96
        nop
        .endr
        move.b  d3,(a3)                 | 520: high resolution at 524, line 101 cycle 12
        move.b  d4,(a3)                 | 528: low again at 532
        .rept   90                      | 536
        nop
        .endr
        move.b  d0,(a2)                 | 896: 60 Hz at 900, line 101 cycle 388
        move.b  d2,(a2)                 | 904: 50 Hz at 908
        rte

short2: .rept   63                      | 116
        nop
        .endr
        move.b  d0,(a2)                 | 368: 60 Hz at 372
        move.b  d2,(a2)                 | 376: 50 Hz at 380
        rte

short106:
        .rept   7                       | 136
        nop
        .endr
        move.b  d3,(a3)                 | 164: high resolution at 168
        move.b  d4,(a3)                 | 172: low again at 176
        rte

colours:
        standard_colours
