| origin: 0xFC0000
| Talks to the hard disks on the ACSI bus as a driver does, through the DMA chip, and
| keeps what it sees, with times counted in horizontal blanks (512 cycles each):
| 1. write(6) of sector 5 of device 0 from BUFFER, which holds a pattern;
| 2. read(6) of sector 5 of device 0 into BACK;
| 3. test unit ready to device 1, which holds no image: no answer, the wait times out.
| The driver polls GPIP 5 for each command byte; the MFP's channel 7 interrupts are
| counted with the time of each. The results are at RESULTS when DONE holds "DONE".
        .include "sched_tos_header.i"
        .include "st_hardware.i"

        .equ    RESULTS, 0x10000
        .equ    LINES, RESULTS + 0x00       | horizontal blanks since the start
        .equ    IRQS, RESULTS + 0x04        | channel 7 interrupts taken
        .equ    STATUSES, RESULTS + 0x10    | status byte of each command (-1: no answer), 3 words
        .equ    START_LINES, RESULTS + 0x20 | LINES at each command's last byte, 3 longs
        .equ    END_LINES, RESULTS + 0x30   | LINES when each status came, 3 longs
        .equ    IRQ_LINES, RESULTS + 0x40   | LINES at each interrupt, 16 longs
        .equ    DONE, RESULTS + 0x100
        .equ    BUFFER, 0x30000
        .equ    BACK, 0x31000

        .equ    ACSI_SELECT, 0x88           | DMA mode: chip select to the bus, floppy DRQ
        .equ    ACSI_A1, 0x02

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
        lea     RESULTS,a0
        move.w  #0x100/4-1,d0
clear:  clr.l   (a0)+
        dbra    d0,clear
        clr.l   DONE
        lea     BUFFER,a0
        move.w  #511,d0
fill:   move.b  d0,d1
        mulu    #7,d1
        move.b  d1,(a0)+
        dbra    d0,fill

        move.l  #hbl,VEC_HBL.w
        move.l  #disk_irq,VEC_FDC.w
        move.l  #ignore,VEC_VBL.w
        move.b  #0x40,VR.w                  | vectors $40-$4F, automatic end of interrupt
        clr.b   IERA.w
        clr.b   IMRA.w
        move.b  #1<<7,IERB.w                | only GPIP 5: floppy controller and ACSI
        move.b  #1<<7,IMRB.w
        move.w  #0x2100,sr                  | horizontal blanks and the MFP

        lea     STATUSES,a2
        lea     START_LINES,a3
        lea     write5(pc),a0
        lea     BUFFER,a1
        move.w  #DMA_WRITE,d1
        bsr.s   command
        lea     read5(pc),a0
        lea     BACK,a1
        moveq   #0,d1
        bsr.s   command
        lea     ready1(pc),a0
        bsr.s   command

        move.l  #0x444F4E45,DONE            | "DONE"
idle:   bra.s   idle

| Sends the six command bytes at a0, the DMA at a1 towards the device when d1 holds
| DMA_WRITE; the status byte (or -1) goes to (a2)+, the times to (a3)+ and 16(a3).
command:
        move.l  a1,d0
        move.b  d0,DMALOW.w
        lsr.l   #8,d0
        move.b  d0,DMAMID.w
        lsr.l   #8,d0
        move.b  d0,DMAHIGH.w
        move.w  d1,d0
        or.w    #DMA_COUNT,d0
        eor.w   #DMA_WRITE,d0               | toggling the direction clears the DMA
        move.w  d0,DMAMODE.w
        eor.w   #DMA_WRITE,d0
        move.w  d0,DMAMODE.w
        move.w  #1,DISKCTL.w                | one sector

        move.w  d1,d2
        or.w    #ACSI_SELECT,d2             | A1 low: the first byte names the device
        move.w  d2,DMAMODE.w
        moveq   #0,d0
        move.b  (a0)+,d0
        move.w  d0,DISKCTL.w
        or.w    #ACSI_A1,d2
        move.w  d2,DMAMODE.w
        moveq   #3,d3                       | four bytes between the first and the last
middle: bsr.s   wait_byte
        bmi.s   no_answer
        move.b  (a0)+,d0
        move.w  d0,DISKCTL.w
        dbra    d3,middle
        bsr.s   wait_byte
        bmi.s   no_answer
        move.b  (a0)+,d0
        move.w  d0,DISKCTL.w
        move.w  d1,DMAMODE.w                | the bus requests the transfers
        move.l  LINES,(a3)
        move.l  #400000,d4
finish: btst    #5,GPIP.w
        beq.s   answered
        subq.l  #1,d4
        bne.s   finish
        bra.s   no_answer
answered:
        move.l  LINES,16(a3)
        or.w    #ACSI_SELECT+ACSI_A1,d1
        move.w  d1,DMAMODE.w
        move.w  DISKCTL.w,d0                | the status byte; reading it frees the line
        and.w   #0xFF,d0
        bra.s   floppy
no_answer:
        moveq   #-1,d0
floppy: move.w  d0,(a2)+
        addq.l  #4,a3
        move.w  #DMA_COMMAND,DMAMODE.w      | back to the floppy controller
        rts

| N set when GPIP 5 stays high: the device did not take the byte.
wait_byte:
        move.w  #2000,d4
wait:   btst    #5,GPIP.w
        beq.s   taken
        dbra    d4,wait
        moveq   #-1,d4
        rts
taken:  moveq   #0,d4
        rts

hbl:    addq.l  #1,LINES
ignore: rte

disk_irq:
        movem.l d0/a0,-(sp)
        move.l  IRQS,d0
        and.w   #15,d0
        lsl.w   #2,d0
        lea     IRQ_LINES,a0
        move.l  LINES,(a0,d0.w)
        addq.l  #1,IRQS
        movem.l (sp)+,d0/a0
        rte

write5: .byte   0x0A, 0, 0, 5, 1, 0         | device 0
read5:  .byte   0x08, 0, 0, 5, 1, 0
ready1: .byte   0x20, 0, 0, 0, 0, 0         | device 1
