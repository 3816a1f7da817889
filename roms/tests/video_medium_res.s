| origin: 0xFC0000
| A still 4-colour medium-resolution screen: 640 pixels a line, two a slot.
        .include "sched_tos_header.i"
        .include "video_common.i"

start:  video_setup
        move.l  #0x07770700,PALETTE     | entries 0 and 1
        move.l  #0x00700007,PALETTE+4   | entries 2 and 3
        move.b  #1,RESOLUTION
        fill_pattern SCREEN, 16000, 0x3B5D
idle:   bra.s   idle
