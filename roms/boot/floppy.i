| Reading drive A through the DMA chip and the WD1772, as TOS does: the drive and the
| side are chosen through port A of the sound chip, every controller register is
| reached through the DMA mode register, each sector is one read command with a
| sector count of 1, and the end of a command is the controller's interrupt line,
| MFP GPIP bit 5, going low. The line is polled, so that reads work whatever the
| interrupt mask of the caller.

        | Polls of the interrupt line before a command is given up: about 3.5 seconds,
        | more than the motor spin-up and a record-not-found search together.
        .equ    FDC_TIMEOUT, 600000

| Reads d3.w sectors from sector d2.w on, of track d0.w, side d1.w of drive A, into the
| buffer at a0 (even address). A failed sector is tried once more after the head has
| been moved back to track 0.
| Out: d0.l = 0, or a negative error code (E_DRVNR, E_SEEK, E_SNF, E_CRC, E_READF).
| Keeps the other registers.
fd_read:
        movem.l d1-d7/a0,-(sp)
        move.w  d0,d4                   | track
        bsr     fd_select
        bra.s   3f
1:      bsr     fd_seek
        bne.s   4f
        bsr     fd_read_sector
        beq.s   2f
        sf      fd_restored             | once more, from track 0
        bsr     fd_seek
        bne.s   4f
        bsr     fd_read_sector
        bne.s   4f
2:      lea     512(a0),a0
        addq.w  #1,d2
3:      dbra    d3,1b
        moveq   #0,d0
4:      movem.l (sp)+,d1-d7/a0
        rts

| Selects drive A and side d1.w (0 or 1) through port A of the sound chip: bit 0 is
| high for side 0, bits 1 and 2 are low for the selected drive (A, B).
| Keeps every register.
fd_select:
        movem.l d0/d7,-(sp)
        move.w  sr,d0
        ori.w   #0x0700,sr              | a sound interrupt must not change the selection
        move.b  #YM_PORT_A,GISELECT.w
        move.b  GISELECT.w,d7
        andi.b  #0xF8,d7
        ori.b   #0x04,d7                | drive B off, drive A on
        tst.w   d1
        bne.s   1f
        ori.b   #0x01,d7                | side 0
1:      move.b  d7,GIWRITE.w
        move.w  d0,sr
        movem.l (sp)+,d0/d7
        rts

| Moves the head to track d4.w; the first time from track 0, after a restore.
| Out: d0.l = 0 and Z set, or E_DRVNR or E_SEEK. Keeps the other registers.
fd_seek:
        move.l  d7,-(sp)
        tst.b   fd_restored
        bne.s   1f
        moveq   #FDC_RESTORE+FDC_RATE_3MS,d7
        bsr     fd_command
        bmi.s   8f
        btst    #FDC_RECORD_NOT_FOUND,d7 | type I commands: seek error
        bne.s   9f
        st      fd_restored
1:      move.w  #DMA_TRACK,DMAMODE.w    | already there?
        move.w  DISKCTL.w,d7
        cmp.b   d4,d7
        beq.s   2f
        move.w  #DMA_DATA,DMAMODE.w
        move.w  d4,DISKCTL.w
        moveq   #FDC_SEEK+FDC_RATE_3MS,d7
        bsr     fd_command
        bmi.s   8f
        btst    #FDC_RECORD_NOT_FOUND,d7
        bne.s   9f
2:      moveq   #0,d0
        bra.s   7f
8:      moveq   #E_DRVNR,d0
        bra.s   7f
9:      moveq   #E_SEEK,d0
7:      move.l  (sp)+,d7
        tst.l   d0
        rts

| Reads sector d2.w of the current track into a0 through the DMA.
| Out: d0.l = 0 and Z set, or a negative error code. Keeps the other registers.
fd_read_sector:
        move.l  d7,-(sp)
        move.l  a0,d7                   | DMA address, low byte first
        move.b  d7,DMALOW.w
        lsr.l   #8,d7
        move.b  d7,DMAMID.w
        lsr.l   #8,d7
        move.b  d7,DMAHIGH.w
        move.w  #DMA_COUNT+DMA_WRITE,DMAMODE.w  | toggling the direction clears the DMA
        move.w  #DMA_COUNT,DMAMODE.w
        move.w  #1,DISKCTL.w            | one sector
        move.w  #DMA_SECTOR,DMAMODE.w
        move.w  d2,DISKCTL.w
        move.w  #FDC_READ_SECTOR,d7
        bsr     fd_command
        bmi.s   8f
        moveq   #E_SNF,d0
        btst    #FDC_RECORD_NOT_FOUND,d7
        bne.s   7f
        moveq   #E_CRC,d0
        btst    #FDC_CRC_ERROR,d7
        bne.s   7f
        moveq   #E_READF,d0
        btst    #FDC_LOST_DATA,d7
        bne.s   7f
        moveq   #0,d0
        bra.s   7f
8:      moveq   #E_DRVNR,d0
7:      move.l  (sp)+,d7
        tst.l   d0
        rts

| Gives the controller command d7.w and waits for its end.
| Out: d7.l = the status register, or -1 (N set) when the controller did not answer in
| time; the command is then stopped. Keeps the other registers.
fd_command:
        move.l  d6,-(sp)
        move.w  #DMA_COMMAND,DMAMODE.w
        move.w  d7,DISKCTL.w
        move.l  #FDC_TIMEOUT,d6
1:      btst    #5,GPIP.w
        beq.s   2f
        subq.l  #1,d6
        bne.s   1b
        move.w  #FDC_FORCE_INTERRUPT,DISKCTL.w
        moveq   #-1,d7
        bra.s   3f
2:      move.w  DISKCTL.w,d7            | the status register; reading it ends the interrupt
        andi.l  #0xFF,d7
3:      move.l  (sp)+,d6
        tst.l   d7
        rts
