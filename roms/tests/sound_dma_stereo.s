| origin: 0xFC0000
| Plays a stereo sample through the STE DMA sound at 50066 Hz, repeated: every pair holds
| LEFT for the left channel and RIGHT for the right one. Before it starts, the right
| channel is turned down 20 dB through the microwire, waiting for the transfer to end as
| programs do (until the mask reads as written again).
        .include "sched_tos_header.i"

        .equ    SAMPLE, 0x30000         | 128 pairs
        .equ    SAMPLE_END, SAMPLE + 256
        .equ    LEFT, 48
        .equ    RIGHT, -64

        .equ    DMA, 0xFF8900
        .equ    DMA_CONTROL, 0x01
        .equ    DMA_START, 0x03         | high, middle, low bytes 2 apart
        .equ    DMA_END, 0x0F
        .equ    DMA_MODE, 0x21
        .equ    MICROWIRE_DATA, 0xFF8922
        .equ    MICROWIRE_MASK, 0xFF8924
        .equ    RIGHT_DOWN_20DB, (2 << 9) + (4 << 6) + 10   | LMC1992, right volume, step 10 of 20

| Stores a 22-bit address in the three DMA address bytes at offset reg.
        .macro  dma_address reg, address
        move.b  #(\address >> 16) & 0xFF,DMA+\reg
        move.b  #(\address >> 8) & 0xFF,DMA+\reg+2
        move.b  #\address & 0xFF,DMA+\reg+4
        .endm

start:
        move.w  #0x2700,sr
        lea     0x20000,sp

        move.w  #0x07FF,MICROWIRE_MASK
        move.w  #RIGHT_DOWN_20DB,MICROWIRE_DATA
wait:   cmp.w   #0x07FF,MICROWIRE_MASK
        bne.s   wait

        lea     SAMPLE,a0
        move.w  #127,d0
fill:   move.b  #LEFT,(a0)+
        move.b  #RIGHT,(a0)+
        dbra    d0,fill
        dma_address DMA_START, SAMPLE
        dma_address DMA_END, SAMPLE_END
        move.b  #0x03,DMA+DMA_MODE      | stereo, 50066 Hz
        move.b  #0x03,DMA+DMA_CONTROL   | play, repeat
idle:   bra.s   idle
