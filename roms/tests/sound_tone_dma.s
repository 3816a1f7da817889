| origin: 0xFC0000
| Plays a 440 Hz tone on the sound chip's channel A (period 285: 439.8 Hz) from frame
| TONE_START to frame TONE_END, then silences the chip and plays a sample through the
| STE DMA sound: the 8-byte pattern PATTERN, mono at 6258 Hz, repeated.
        .include "sched_tos_header.i"

        .equ    FRAMES, 0x10000         | vertical blanks so far
        .equ    SAMPLE, 0x30000         | 256 bytes: PATTERN 32 times
        .equ    SAMPLE_END, SAMPLE + 256
        .equ    TONE_START, 3           | after the chip's reset at the end of frame 1
        .equ    TONE_END, 50

        .equ    YM_SELECT, 0xFF8800
        .equ    YM_DATA, 0xFF8802
        .equ    DMA, 0xFF8900
        .equ    DMA_CONTROL, 0x01
        .equ    DMA_START, 0x03         | high, middle, low bytes 2 apart
        .equ    DMA_END, 0x0F
        .equ    DMA_MODE, 0x21

| Writes value to sound chip register reg.
        .macro  ym reg, value
        move.b  #\reg,YM_SELECT
        move.b  #\value,YM_DATA
        .endm

| Stores a 22-bit address in the three DMA address bytes at offset reg.
        .macro  dma_address reg, address
        move.b  #(\address >> 16) & 0xFF,DMA+\reg
        move.b  #(\address >> 8) & 0xFF,DMA+\reg+2
        move.b  #\address & 0xFF,DMA+\reg+4
        .endm

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        clr.l   FRAMES
        move.l  #vbl,0x70               | level 4 autovector
        move.w  #0x2300,sr

        moveq   #TONE_START,d0
        bsr     wait_frame
        ym      0, 285 & 0xFF           | tone A period 285
        ym      1, 285 >> 8
        ym      7, 0x3E                 | tone A on, everything else off
        ym      8, 15

        moveq   #TONE_END,d0
        bsr     wait_frame
        ym      7, 0x3F                 | all off: a constant level, centred to silence

        lea     SAMPLE,a0
        moveq   #31,d1
fill:   lea     pattern(pc),a1
        moveq   #7,d2
copy:   move.b  (a1)+,(a0)+
        dbra    d2,copy
        dbra    d1,fill
        dma_address DMA_START, SAMPLE
        dma_address DMA_END, SAMPLE_END
        move.b  #0x80,DMA+DMA_MODE      | mono, 6258 Hz
        move.b  #0x03,DMA+DMA_CONTROL   | play, repeat
idle:   bra.s   idle

| Returns once FRAMES has reached d0.
wait_frame:
        cmp.l   FRAMES,d0
        bhi.s   wait_frame
        rts

vbl:    addq.l  #1,FRAMES
        rte

pattern:
        .byte   16, 32, 48, 64, -16, -32, -48, -64
