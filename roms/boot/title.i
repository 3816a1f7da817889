| The title screen: the lettering in a colour gradient that slowly flows through it,
| what to do, the state of drive A, and the machine the ROM found.

        .equ    COLOUR_TEXT, 1
        .equ    GRADIENT_FIRST, 2           | palette entries 2-8: the gradient
        .equ    GRADIENT_COLOURS, 7
        .equ    COLOUR_SHADOW, 9
        .equ    COLOUR_SUBTITLE, 10
        .equ    COLOUR_STATUS, 11
        .equ    COLOUR_FOOTER, 12
        .equ    TITLE_LOGO_COLUMN, 5
        .equ    TITLE_LOGO_LINE, 22
        .equ    TITLE_BAR_LINE, 90
        .equ    TITLE_BAR_LINES, 3
        .equ    TITLE_SUBTITLE_LINE, 102
        .equ    TITLE_MESSAGE_LINE, 132
        .equ    TITLE_STATUS_LINE, 150
        .equ    TITLE_FOOTER_LINE, 184
        .equ    GRADIENT_FRAMES, 6          | frames per step of the colour flow

        | Status messages, by number.
        .equ    STATUS_READING, 0
        .equ    STATUS_NO_DISK, 1
        .equ    STATUS_NOT_BOOTABLE, 2
        .equ    STATUS_ENDED, 3

title_palette:
        .word   0x002, 0x777, 0x760, 0x750, 0x740, 0x730, 0x720, 0x712
        .word   0x604, 0x000, 0x566, 0x475, 0x334, 0x000, 0x000, 0x000

| One gradient entry for each block row of the lettering.
title_logo_colours:
        .irp    entry, 2, 3, 4, 5, 6, 7, 8
        .rept   8
        .byte   \entry
        .endr
        .endr

| Draws the whole title screen on the ROM's screen. Keeps every register.
draw_title:
        movem.l d0-d4/a0-a3,-(sp)
        move.l  screen_base.w,a1
        moveq   #0,d1
        move.w  #200,d2
        bsr     clear_lines
        lea     title_palette(pc),a0
        lea     PALETTE.w,a2
        moveq   #15,d0
1:      move.w  (a0)+,(a2)+
        dbra    d0,1b
        clr.w   title_phase.w

        moveq   #TITLE_LOGO_COLUMN,d0
        moveq   #TITLE_LOGO_LINE,d1
        lea     title_logo_colours(pc),a2
        moveq   #COLOUR_SHADOW,d2
        bsr     draw_logo

        | A bar of the gradient's colours across the screen.
        moveq   #TITLE_BAR_LINE,d2
2:      move.w  d2,d0
        mulu    #LINE_BYTES,d0
        move.l  screen_base.w,a1
        adda.l  d0,a1
        moveq   #0,d0
        moveq   #-1,d3
3:      bsr     column_address
        move.w  d0,d4
        mulu    #GRADIENT_COLOURS,d4
        divu    #40,d4
        addq.w  #GRADIENT_FIRST,d4
        bsr     plot_byte
        addq.w  #1,d0
        cmpi.w  #40,d0
        blo.s   3b
        addq.w  #1,d2
        cmpi.w  #TITLE_BAR_LINE+TITLE_BAR_LINES,d2
        blo.s   2b

        move.l  screen_base.w,a1
        lea     title_subtitle(pc),a0
        moveq   #TITLE_SUBTITLE_LINE,d1
        moveq   #COLOUR_SUBTITLE,d2
        bsr     draw_text_centred
        lea     title_message(pc),a0
        move.w  #TITLE_MESSAGE_LINE,d1
        moveq   #COLOUR_TEXT,d2
        bsr     draw_text_centred

        lea     text_buffer.w,a0        | "Built-in ROM 1.0 - Atari ST - 1024 KB"
        lea     title_footer(pc),a1
        bsr     append_text
        lea     title_ste(pc),a1
        btst    #0,rom_flags.w
        bne.s   4f
        lea     title_st(pc),a1
4:      bsr     append_text
        move.l  ram_size.w,d0
        moveq   #10,d1
        lsr.l   d1,d0
        bsr     format_decimal
        lea     title_kb(pc),a1
        bsr     append_text
        lea     text_buffer.w,a0
        move.l  screen_base.w,a1
        move.w  #TITLE_FOOTER_LINE,d1
        moveq   #COLOUR_FOOTER,d2
        bsr     draw_text_centred
        movem.l (sp)+,d0-d4/a0-a3
        rts

| Replaces the status line with message d0.w (STATUS_...). Keeps every register.
show_status:
        movem.l d0-d2/a0-a1,-(sp)
        lea     status_messages(pc),a0
        bra.s   2f
1:      tst.b   (a0)+
        bne.s   1b
2:      dbra    d0,1b
        move.l  screen_base.w,a1
        move.w  #TITLE_STATUS_LINE,d1
        moveq   #8,d2
        bsr     clear_lines
        moveq   #COLOUR_STATUS,d2
        bsr     draw_text_centred
        movem.l (sp)+,d0-d2/a0-a1
        rts

| Waits d0.w frames, letting the gradient flow. Keeps every register.
wait_frames:
        movem.l d0-d1,-(sp)
        bra.s   3f
1:      move.l  frclock.w,d1
2:      cmp.l   frclock.w,d1
        beq.s   2b
        bsr     flow_gradient
3:      dbra    d0,1b
        movem.l (sp)+,d0-d1
        rts

| Moves the gradient one step along the lettering every GRADIENT_FRAMES frames.
| Keeps every register.
flow_gradient:
        movem.l d0-d2/a0-a1,-(sp)
        moveq   #0,d0                   | frames into the whole cycle
        move.w  title_phase.w,d0
        addq.w  #1,d0
        cmpi.w  #GRADIENT_FRAMES*GRADIENT_COLOURS,d0
        blo.s   3f
        moveq   #0,d0
3:      move.w  d0,title_phase.w
        divu    #GRADIENT_FRAMES,d0     | step 0-6
        lea     title_palette+GRADIENT_FIRST*2(pc),a0
        lea     (PALETTE+GRADIENT_FIRST*2).w,a1
        moveq   #GRADIENT_COLOURS-1,d1
1:      move.w  d0,d2
        add.w   d2,d2
        move.w  0(a0,d2.w),(a1)+
        addq.w  #1,d0
        cmpi.w  #GRADIENT_COLOURS,d0
        blo.s   2f
        moveq   #0,d0
2:      dbra    d1,1b
        movem.l (sp)+,d0-d2/a0-a1
        rts

title_subtitle: .asciz  "The Atari ST emulator"
title_message:  .asciz  "Insert a bootable disk"
title_footer:   .asciz  "Built-in ROM 1.0 - "
title_st:       .asciz  "Atari ST - "
title_ste:      .asciz  "Atari STE - "
title_kb:       .asciz  " KB"
status_messages:
        .asciz  "Reading drive A..."
        .asciz  "No readable disk in drive A"
        .asciz  "The disk in drive A is not bootable"
        .asciz  "The boot program of this disk has ended"
        .even
