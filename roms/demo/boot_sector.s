| The boot sector of "QuarvDefault.ST": loads the demo with the XBIOS's Floprd and
| jumps to it. It runs wherever the boot ROM has read it, so it uses PC-relative
| addressing only. Bytes 2-29 are the disk's BIOS parameter block and bytes 30-37 say
| what to load; the disk image builder fills both in, and the checksum word at the end.
        .equ    SECTORS_PER_TRACK, 9
        .equ    SIDES, 2
        .equ    TRIES, 3                    | reads of a track before giving up

        .text
boot_sector:
        bra.s   boot_code
        .org    30
load_address:   .long   0                   | where the program goes and starts
load_sector:    .word   0                   | its first logical sector
load_count:     .word   0                   | its length in sectors

boot_code:
        move.l  load_address(pc),a5
        move.w  load_sector(pc),d6
        move.w  load_count(pc),d7
1:      moveq   #0,d0                       | logical sector to track, side, sector
        move.w  d6,d0
        divu    #SECTORS_PER_TRACK,d0
        move.l  d0,d1
        swap    d1
        addq.w  #1,d1                       | sector, 1-9
        moveq   #SIDES-1,d2
        and.w   d0,d2                       | side
        lsr.w   #1,d0                       | track
        moveq   #SECTORS_PER_TRACK+1,d3     | the rest of this track side, at most
        sub.w   d1,d3
        cmp.w   d7,d3
        bls.s   2f
        move.w  d7,d3
2:      moveq   #TRIES-1,d5
3:      movem.w d0-d3,-(sp)                 | Floprd(buffer, 0, drive A, sector, track,
        move.w  d3,-(sp)                    |        side, count)
        move.w  d2,-(sp)
        move.w  d0,-(sp)
        move.w  d1,-(sp)
        clr.w   -(sp)
        clr.l   -(sp)
        move.l  a5,-(sp)
        move.w  #8,-(sp)
        trap    #14
        lea     20(sp),sp
        move.w  d0,d4
        movem.w (sp)+,d0-d3
        tst.w   d4
        beq.s   4f
        dbra    d5,3b
        rts                                 | unreadable: back to the ROM
4:      add.w   d3,d6
        sub.w   d3,d7
        mulu    #512,d3
        adda.l  d3,a5
        tst.w   d7
        bne.s   1b
        move.l  load_address(pc),a0
        jmp     (a0)
