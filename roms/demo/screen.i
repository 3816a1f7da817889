| What the demo draws: the lettering at the top, reaching into the opened top border,
| five lines on what is going on, three level meters of the sound chip's voices.
| Colour 0 is the background and colour 1 the text, both set line by line by the
| rasters; the lettering uses the even colours 2-14 of planes 1-3, and 15 (black) is
| the shadow of the lettering and the text.

        .equ    LOGO_ROW, 10                | frame lines 44-101: the top border ends at 63
        .equ    LOGO_COLUMN, 5
        .equ    LOGO_SHADOW, 15
        .equ    LOGO_FLOW_FRAMES, 4         | frames per step of the lettering's colours (2^n)
        .equ    LOGO_COLOURS, 7
        .equ    INFO_ROW, 84
        .equ    INFO_LINES, 5
        .equ    INFO_SPACING, 14
        .equ    METER_ROW, 166
        .equ    METERS, 3
        .equ    METER_SPACING, 12
        .equ    METER_ROWS, 7
        .equ    METER_FIRST_GROUP, 2        | 16-pixel groups
        .equ    METER_GROUPS, 15            | one a volume step
        .equ    METER_SEGMENT, 0xFFFE       | a group, with a gap at its right

logo_line_colours:
        .irp    entry, 2, 4, 6, 8, 10, 12, 14
        .rept   8
        .byte   \entry
        .endr
        .endr
logo_gradient:
        .word   0x760, 0x750, 0x740, 0x730, 0x720, 0x712, 0x604
demo_palette:
        .word   0x000, 0x777, 0x760, 0x777, 0x750, 0x777, 0x740, 0x777
        .word   0x730, 0x777, 0x720, 0x777, 0x712, 0x777, 0x604, 0x000

info_texts:
        .asciz  "Timer B: new colours on every line"
        .asciz  "Top and bottom borders open"
        .asciz  "YM2149 music driven by timer D"
info_drums_st:
        .asciz  "Drums: YM2149 tone and noise"
        .asciz  "Press a key for other colours"
info_drums_ste:
        .asciz  "Drums: STE DMA sound"
        .even

| Clears the screen, sets the palette and draws what does not move.
draw_screen:
        lea     SCREEN,a0
        move.w  #SCREEN_SIZE/4-1,d0
1:      clr.l   (a0)+
        dbra    d0,1b
        lea     demo_palette(pc),a0
        lea     PALETTE.w,a1
        moveq   #15,d0
2:      move.w  (a0)+,(a1)+
        dbra    d0,2b

        lea     SCREEN,a1
        moveq   #LOGO_COLUMN,d0
        moveq   #LOGO_ROW,d1
        lea     logo_line_colours(pc),a2
        moveq   #LOGO_SHADOW,d2
        bsr     draw_logo

        lea     info_texts(pc),a0
        moveq   #INFO_ROW,d1
        moveq   #1,d2
        moveq   #INFO_LINES-1,d3
3:      move.l  a0,a3
        cmpa.l  #info_drums_st,a0       | the drums line says which machine this is
        bne.s   4f
        tst.b   machine_ste
        beq.s   4f
        lea     info_drums_ste(pc),a0
4:      bsr     centred_column
        movem.l d1-d3,-(sp)
        addq.w  #1,d1                   | a black shadow, a line down and a pixel right
        moveq   #LOGO_SHADOW,d2
        moveq   #1,d3
        bsr     draw_text_shifted
        movem.l (sp)+,d1-d3
        bsr     draw_text
        move.l  a3,a0
5:      tst.b   (a0)+
        bne.s   5b
        addi.w  #INFO_SPACING,d1
        dbra    d3,3b
        rts

| The lettering's colours flow down one step every LOGO_FLOW_FRAMES frames.
flow_logo_colours:
        moveq   #LOGO_FLOW_FRAMES-1,d0
        and.w   frame_count+2,d0
        bne.s   4f
        move.w  logo_phase,d0
        addq.w  #1,d0
        cmpi.w  #LOGO_COLOURS,d0
        blo.s   1f
        moveq   #0,d0
1:      move.w  d0,logo_phase
        neg.w   d0                      | the colour of the top row moves down
        addq.w  #LOGO_COLOURS,d0
        lea     logo_gradient(pc),a0
        lea     (PALETTE+4).w,a1        | the even entries 2-14
        moveq   #LOGO_COLOURS-1,d1
2:      cmpi.w  #LOGO_COLOURS,d0
        blo.s   3f
        subq.w  #LOGO_COLOURS,d0
3:      move.w  d0,d2
        add.w   d2,d2
        move.w  0(a0,d2.w),(a1)
        addq.l  #4,a1
        addq.w  #1,d0
        dbra    d1,2b
4:      rts

| Level meters: a bar per voice, as long as its volume; they fall one step every
| other frame, so that short notes stay visible.
draw_meters:
        lea     channel_volumes,a0
        lea     meter_levels,a1
        moveq   #METERS-1,d0
1:      move.w  (a0)+,d1
        cmp.w   (a1),d1
        bls.s   2f
        move.w  d1,(a1)
        bra.s   3f
2:      btst    #0,frame_count+3
        beq.s   3f
        tst.w   (a1)
        beq.s   3f
        subq.w  #1,(a1)
3:      addq.l  #2,a1
        dbra    d0,1b

        lea     SCREEN+METER_ROW*LINE_BYTES+METER_FIRST_GROUP*8,a0
        lea     meter_levels,a1
        moveq   #METERS-1,d6
4:      move.w  (a1)+,d5
        moveq   #METER_ROWS-1,d4
        move.l  a0,a2
5:      move.l  a2,a3
        moveq   #METER_GROUPS-1,d3
        move.w  d5,d2
6:      moveq   #0,d0
        subq.w  #1,d2
        bmi.s   7f
        move.w  #METER_SEGMENT,d0
7:      move.w  d0,(a3)
        addq.l  #8,a3
        dbra    d3,6b
        lea     LINE_BYTES(a2),a2
        dbra    d4,5b
        lea     METER_SPACING*LINE_BYTES(a0),a0
        dbra    d6,4b
        rts
