| The extended BIOS that boot programs call through TRAP #14, with the ST's calling
| conventions: the function number word and then the parameters on the caller's stack
| (the user stack, or the supervisor stack above the exception frame when the caller
| runs in supervisor mode), the result in D0, D0-D2 and A0-A2 free for the function.
| GEMDOS and BIOS (TRAP #1 and #13) have no functions here and answer EINVFN.

        .equ    XBIOS_LAST, 38

xbios:
        move.l  usp,a0
        btst    #5,(sp)                 | S bit of the caller's status register
        beq.s   1f
        lea     6(sp),a0
1:      move.w  (a0)+,d0
        cmpi.w  #XBIOS_LAST,d0
        bhi.s   no_function
        add.w   d0,d0
        lea     xbios_functions(pc),a1
        move.w  0(a1,d0.w),d0
        beq.s   no_function
        jsr     0(a1,d0.w)
        rte
no_function:
        moveq   #EINVFN,d0
        rte

        .macro  xbios_entry function
        .word   \function - xbios_functions
        .endm
xbios_functions:
        .word   0, 0                    | 0 Initmous, 1 Ssbrk
        xbios_entry xb_physbase         | 2
        xbios_entry xb_logbase          | 3
        xbios_entry xb_getrez           | 4
        xbios_entry xb_setscreen        | 5
        xbios_entry xb_setpalette       | 6
        xbios_entry xb_setcolor         | 7
        xbios_entry xb_floprd           | 8
        .rept   37 - 9
        .word   0                       | 9-36
        .endr
        xbios_entry xb_vsync            | 37
        xbios_entry xb_supexec          | 38

| Physbase(): the screen address the Shifter shows.
xb_physbase:
        moveq   #0,d0
        move.b  VBASEHI.w,d0
        lsl.w   #8,d0
        move.b  VBASEMID.w,d0
        lsl.l   #8,d0
        btst    #0,rom_flags
        beq.s   1f
        move.b  VBASELO.w,d0            | the STE's low byte
1:      rts

| Logbase(): the screen address drawing goes to.
xb_logbase:
        move.l  v_bas_ad.w,d0
        rts

| Getrez(): 0 low, 1 medium, 2 high resolution.
xb_getrez:
        moveq   #3,d0
        and.b   SHIFTMD.w,d0
        rts

| Setscreen(logical.l, physical.l, resolution.w): negative values leave a setting as
| it is. The physical address takes effect at the next frame, as the Shifter loads its
| counter there.
xb_setscreen:
        move.l  (a0)+,d0
        bmi.s   1f
        move.l  d0,v_bas_ad.w
1:      move.l  (a0)+,d0
        bmi.s   2f
        bsr     set_video_base
2:      move.w  (a0),d0
        bmi.s   3f
        move.b  d0,SHIFTMD.w
        move.w  d0,sshiftmd.w
3:      rts

| Sets the Shifter's video base to d0.l; the low byte only exists on an STE.
| Keeps every register.
set_video_base:
        move.l  d0,-(sp)
        btst    #0,rom_flags
        beq.s   1f
        move.b  d0,VBASELO.w
1:      lsr.l   #8,d0
        move.b  d0,VBASEMID.w
        lsr.w   #8,d0
        move.b  d0,VBASEHI.w
        move.l  (sp)+,d0
        rts

| Setpalette(pointer.l): the 16 colours at once.
xb_setpalette:
        move.l  (a0),a1
        lea     PALETTE.w,a2
        moveq   #15,d0
1:      move.w  (a1)+,(a2)+
        dbra    d0,1b
        rts

| Setcolor(number.w, colour.w): returns the old colour; a negative colour only reads.
xb_setcolor:
        move.w  (a0)+,d1
        andi.w  #15,d1
        add.w   d1,d1
        lea     PALETTE.w,a1
        moveq   #0,d0
        move.w  0(a1,d1.w),d0
        move.w  (a0),d2
        bmi.s   1f
        move.w  d2,0(a1,d1.w)
1:      rts

| Floprd(buffer.l, filler.l, drive.w, sector.w, track.w, side.w, count.w).
xb_floprd:
        move.l  d3,-(sp)
        move.l  (a0)+,a1                | buffer
        addq.l  #4,a0                   | filler
        moveq   #XBIOS_EUNDEV,d0
        tst.w   (a0)+                   | only drive A exists
        bne.s   1f
        move.w  (a0)+,d2                | sector
        move.w  (a0)+,d0                | track
        move.w  (a0)+,d1                | side
        move.w  (a0),d3                 | count
        move.l  a1,a0
        bsr     fd_read
1:      move.l  (sp)+,d3
        rts

| Vsync(): waits for the next vertical blank. Like TOS it lets the vertical blank
| through while it waits, whatever the caller's interrupt mask.
xb_vsync:
        move.w  sr,-(sp)
        andi.w  #0xFBFF,sr              | masks 4-7 become 0-3
        move.l  frclock.w,d0
1:      cmp.l   frclock.w,d0
        beq.s   1b
        move.w  (sp)+,sr
        rts

| Supexec(function.l): calls the function in supervisor mode; its D0 is the result.
xb_supexec:
        move.l  (a0),a0
        jmp     (a0)
