| origin: 0xFC0000
| Reads from drive A as TOS does, through the DMA chip and the WD1772, and keeps the
| times of what it sees, counted in horizontal blanks (512 cycles each):
| 1. three sectors (track 2, side 0, sectors 4-6) with one multiple-sector read into
|    BUFFER, the motor off at the start; each move of the DMA address is timed;
| 2. a restore from track 40 at rate 3 (the motor still runs);
| 3. a read of sector 20, which does not exist: record not found.
| Each command ends with the controller's interrupt (MFP channel 7, GPIP 5). The
| results are at RESULTS when DONE holds "DONE".
        .include "sched_tos_header.i"
        .include "st_hardware.i"

        .equ    RESULTS, 0x10000
        .equ    LINES, RESULTS + 0x00       | horizontal blanks since the start
        .equ    IRQS, RESULTS + 0x04        | controller interrupts taken
        .equ    IRQ_LINES, RESULTS + 0x10   | LINES at each interrupt, 4 longs
        .equ    START_LINES, RESULTS + 0x20 | LINES when each command was given, 3 longs
        .equ    DMA_LINES, RESULTS + 0x30   | LINES at each move of the DMA address, 4 longs
        .equ    DMA_VALUES, RESULTS + 0x40  | the DMA address after each move, 4 longs
        .equ    DMA_MOVES, RESULTS + 0x50   | moves seen
        .equ    STATUSES, RESULTS + 0x60    | status register after each command, 3 words
        .equ    TRACK_AFTER, RESULTS + 0x66 | track register after the restore
        .equ    SECTOR_AFTER, RESULTS + 0x68 | sector register after the read
        .equ    DONE, RESULTS + 0x100
        .equ    BUFFER, 0x30000

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        lea     RESULTS,a0
        move.w  #0x100/4-1,d0
clear:  clr.l   (a0)+
        dbra    d0,clear
        clr.l   DONE

        move.l  #hbl,VEC_HBL.w
        move.l  #fdc_done,VEC_FDC.w
        move.l  #ignore,VEC_VBL.w
        move.b  #0x40,VR.w                  | vectors $40-$4F, automatic end of interrupt
        clr.b   IERA.w
        clr.b   IMRA.w
        move.b  #1<<CHB_FDC,IERB.w          | only the floppy controller
        move.b  #1<<CHB_FDC,IMRB.w

        | Drive A, side 0: port A bit 0 high selects side 0, bit 1 low drive A.
        move.b  #YM_PORT_A,GISELECT.w
        move.b  GISELECT.w,d0
        and.b   #0xF8,d0
        or.b    #0x05,d0
        move.b  d0,GIWRITE.w
        move.w  #0x2100,sr                  | horizontal blanks and the MFP

| 1. Three sectors in one command.
        move.b  #BUFFER&0xFF,DMALOW.w
        move.b  #(BUFFER>>8)&0xFF,DMAMID.w
        move.b  #BUFFER>>16,DMAHIGH.w
        move.w  #DMA_COUNT,DMAMODE.w
        move.w  #3,DISKCTL.w
        move.w  #DMA_TRACK,DMAMODE.w
        move.w  #2,DISKCTL.w
        move.w  #DMA_SECTOR,DMAMODE.w
        move.w  #4,DISKCTL.w
        move.w  #DMA_COMMAND,DMAMODE.w
        move.l  LINES,START_LINES
        move.w  #FDC_READ_SECTOR+0x10,DISKCTL.w
        move.b  DMAMID.w,d5                 | the DMA address moves in steps of 512
        lea     DMA_LINES,a2
        lea     DMA_VALUES,a3
watch:  bsr     dma_moved
        tst.l   IRQS
        beq.s   watch
        bsr     dma_moved                   | the last move comes with the interrupt
        move.w  DISKCTL.w,STATUSES
        move.w  #DMA_SECTOR,DMAMODE.w
        move.w  DISKCTL.w,SECTOR_AFTER

| 2. Restore from track 40 at rate 3.
        move.w  #DMA_TRACK,DMAMODE.w
        move.w  #40,DISKCTL.w
        move.w  #DMA_COMMAND,DMAMODE.w
        move.l  LINES,START_LINES+4
        move.w  #FDC_RESTORE+FDC_RATE_3MS,DISKCTL.w
        moveq   #2,d0
        bsr.s   wait_irq
        move.w  DISKCTL.w,STATUSES+2
        move.w  #DMA_TRACK,DMAMODE.w
        move.w  DISKCTL.w,TRACK_AFTER

| 3. A sector that is not there.
        move.w  #DMA_SECTOR,DMAMODE.w
        move.w  #20,DISKCTL.w
        move.w  #DMA_COMMAND,DMAMODE.w
        move.l  LINES,START_LINES+8
        move.w  #FDC_READ_SECTOR,DISKCTL.w
        moveq   #3,d0
        bsr.s   wait_irq
        move.w  DISKCTL.w,STATUSES+4

        move.l  #0x444F4E45,DONE            | "DONE"
idle:   bra.s   idle

| Notes the time and value of a move of the DMA address (d5: its middle byte as last
| seen; a2, a3: where the next time and value go).
dma_moved:
        move.b  DMAMID.w,d0
        cmp.b   d0,d5
        beq.s   dma_same
        move.b  d0,d5
        move.l  LINES,(a2)+
        moveq   #0,d1
        move.b  DMAHIGH.w,d1
        swap    d1
        move.b  DMAMID.w,d1
        lsl.w   #8,d1
        move.b  DMALOW.w,d1
        move.l  d1,(a3)+
        addq.l  #1,DMA_MOVES
dma_same:
        rts

| Waits until d0 interrupts have been taken.
wait_irq:
        cmp.l   IRQS,d0
        bne.s   wait_irq
        rts

hbl:    addq.l  #1,LINES
ignore: rte

fdc_done:
        movem.l d0/a0,-(sp)
        move.l  IRQS,d0
        lsl.l   #2,d0
        lea     IRQ_LINES,a0
        move.l  LINES,(a0,d0.l)
        addq.l  #1,IRQS
        movem.l (sp)+,d0/a0
        rte
