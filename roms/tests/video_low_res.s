| origin: 0xFC0000
| A still 16-colour low-resolution screen: the palette and 200 lines of pattern.
        .include "sched_tos_header.i"
        .include "video_common.i"

start:  video_setup
        load_palette colours
        clr.b   RESOLUTION
        fill_pattern SCREEN, 16000, 0x9E37
idle:   bra.s   idle

colours:
        standard_colours
