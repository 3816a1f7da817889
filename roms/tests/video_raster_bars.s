| origin: 0xFC0000
| Raster bars: timer B in event count mode interrupts at the end of each of the 200
| displayed lines, and its handler loads the next background colour. The vertical blank
| restores the first colour. The screen is empty, so each line shows one colour.
        .include "sched_tos_header.i"
        .include "video_common.i"

        .equ    MFP, 0xFFFA00
        .equ    IERA, 0x07
        .equ    IMRA, 0x13
        .equ    VR, 0x17
        .equ    TBCR, 0x1B
        .equ    TBDR, 0x21
        .equ    TIMER_B_VECTOR, 0x120   | vector $48 with VR = $40

start:  video_setup
        move.l  #vbl,VBL_VECTOR
        move.l  #timer_b,TIMER_B_VECTOR
        lea     MFP,a1
        move.b  #0x40,VR(a1)            | automatic end of interrupt
        move.b  #1,IERA(a1)
        move.b  #1,IMRA(a1)
        move.b  #1,TBDR(a1)             | every line
        move.b  #8,TBCR(a1)             | event count
        lea     bars(pc),a6
        move.w  #0x2300,sr              | vertical blank and MFP
idle:   stop    #0x2300
        bra.s   idle

vbl:    lea     bars(pc),a6
        move.w  (a6)+,PALETTE
        rte
timer_b:
        move.w  (a6)+,PALETTE
        rte

| Colour k = (k * $125 + $11) & $FFF, k = 0 to 200.
bars:
        .set    k, 0
        .rept   201
        .word   (k * 0x125 + 0x11) & 0xFFF
        .set    k, k + 1
        .endr
