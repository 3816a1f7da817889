| origin: 0x0
| A boot sector for the built-in ROM's XBIOS: calls TRAP #14 functions from supervisor
| mode (as the ROM starts it) and from user mode, and leaves their results at RESULTS.
| D3-D7 and A3-A6 hold marks throughout, stored at MARKS_BEFORE and MARKS_AFTER: the
| XBIOS must leave them.
        .equ    RESULTS, 0x7000
        .equ    PHYSBASE, RESULTS + 0
        .equ    LOGBASE, RESULTS + 4
        .equ    GETREZ, RESULTS + 8
        .equ    SETCOLOR_OLD, RESULTS + 12
        .equ    SETCOLOR_READ, RESULTS + 16
        .equ    PHYSBASE_SET, RESULTS + 20
        .equ    LOGBASE_SET, RESULTS + 24
        .equ    FLOPRD, RESULTS + 28
        .equ    FLOPRD_DRIVE_B, RESULTS + 32
        .equ    FLOPRD_NO_SECTOR, RESULTS + 36
        .equ    UNKNOWN, RESULTS + 40
        .equ    SUPEXEC, RESULTS + 44
        .equ    VSYNC_FRAMES, RESULTS + 48
        .equ    MARKS_BEFORE, RESULTS + 0x80
        .equ    MARKS_AFTER, RESULTS + 0xC0
        .equ    USER_GETREZ, RESULTS + 56
        .equ    USER_SUPEXEC, RESULTS + 60
        .equ    DONE, RESULTS + 64
        .equ    FLOPRD_BUFFER, 0x6000
        .equ    USER_STACK, 0x5800
        .equ    FRCLOCK, 0x466

        .macro  xbios function, bytes
        move.w  #\function,-(sp)
        trap    #14
        lea     \bytes(sp),sp
        .endm

        bra.s   start
        .org    0x26
start:
        moveq   #3,d3
        moveq   #4,d4
        moveq   #5,d5
        moveq   #6,d6
        moveq   #7,d7
        move.w  #0x33,a3
        move.w  #0x44,a4
        move.w  #0x55,a5
        move.w  #0x66,a6
        movem.l d3-d7/a3-a6,MARKS_BEFORE.w

        xbios   2,2
        move.l  d0,PHYSBASE.w
        xbios   3,2
        move.l  d0,LOGBASE.w
        xbios   4,2
        move.l  d0,GETREZ.w

        pea     palette(pc)
        xbios   6,6
        move.w  #0x123,-(sp)            | Setcolor(5, $123), then read it back
        move.w  #5,-(sp)
        xbios   7,6
        move.l  d0,SETCOLOR_OLD.w
        move.w  #-1,-(sp)
        move.w  #5,-(sp)
        xbios   7,6
        move.l  d0,SETCOLOR_READ.w

        move.w  #-1,-(sp)               | Setscreen(-1, $38000, -1)
        pea     0x38000
        pea     -1
        xbios   5,12
        xbios   2,2
        move.l  d0,PHYSBASE_SET.w
        move.w  #-1,-(sp)               | Setscreen($39000, -1, -1)
        pea     -1
        pea     0x39000
        xbios   5,12
        xbios   3,2
        move.l  d0,LOGBASE_SET.w

        move.w  #2,-(sp)                | Floprd(buffer, 0, A, sector 2, track 0, side 0, 2)
        clr.l   -(sp)
        move.w  #2,-(sp)
        clr.w   -(sp)
        clr.l   -(sp)
        pea     FLOPRD_BUFFER.w
        xbios   8,20
        move.l  d0,FLOPRD.w
        move.w  #1,-(sp)                | drive B
        clr.l   -(sp)
        move.w  #1,-(sp)
        move.w  #1,-(sp)
        clr.l   -(sp)
        pea     FLOPRD_BUFFER.w
        xbios   8,20
        move.l  d0,FLOPRD_DRIVE_B.w
        move.w  #1,-(sp)                | sector 12 of a 9-sector track
        clr.l   -(sp)
        move.w  #12,-(sp)
        clr.w   -(sp)
        clr.l   -(sp)
        pea     FLOPRD_BUFFER.w
        xbios   8,20
        move.l  d0,FLOPRD_NO_SECTOR.w

        xbios   99,2
        move.l  d0,UNKNOWN.w
        pea     read_sr(pc)
        xbios   38,6
        move.l  d0,SUPEXEC.w

        move.w  #0x2700,sr              | Vsync lets the vertical blank through anyway
        move.l  FRCLOCK.w,d2
        xbios   37,2
        xbios   37,2
        move.l  FRCLOCK.w,d0
        sub.l   d2,d0
        move.l  d0,VSYNC_FRAMES.w

        lea     USER_STACK.w,a0         | user mode: parameters on the user stack
        move.l  a0,usp
        andi.w  #0xDFFF,sr
        xbios   4,2
        move.l  d0,USER_GETREZ.w
        pea     read_sr(pc)
        xbios   38,6
        move.l  d0,USER_SUPEXEC.w

        movem.l d3-d7/a3-a6,MARKS_AFTER.w
        move.l  #0x444F4E45,DONE.w      | "DONE"
2:      bra.s   2b

read_sr:
        moveq   #0,d0
        move.w  sr,d0
        rts

palette:
        .word   0x000, 0x111, 0x222, 0x333, 0x444, 0x555, 0x666, 0x777
        .word   0x700, 0x070, 0x007, 0x770, 0x077, 0x707, 0x123, 0x321
