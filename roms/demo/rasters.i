| Colour bars behind the whole picture, borders open at the top and the bottom.
|
| MFP timer B counts display lines (event count mode, data 1): its interrupt comes at
| the end of every line and sets colours 0 (background) and 1 (text) for the next one
| from RASTER_TABLE, which the vertical blank fills for the frame. Timer A, started by
| the vertical blank, fires during line 33: a moment of 60 Hz there makes the Shifter
| start the picture at line 34 instead of 63, and the same trick at the end of line 261
| keeps it going through the bottom border, to line 305.

        .equ    TOP_BORDER_TICKS, 103       | timer A data: 103 x 50 MFP cycles, about
        .equ    TOP_BORDER_CONTROL, 4       | 16810 processor cycles after the blank
        .equ    TOP_SYNC_DELAY, 16          | loop turns from the interrupt to 60 Hz, the middle
                                            | of the turns that open the border, keys or not
        .equ    SYNC_WAIT, 2                | loop turns at 60 Hz
        .equ    TOP_COLOUR_WAIT, 2          | loop turns until line 33 is drawn
        | The timer B interrupt at the end of frame line 261 opens the bottom border; it
        | is the one that sets up screen row 261 + 1 - FIRST_LINE.
        .equ    BOTTOM_BORDER_ROW, 261 + 1 - FIRST_LINE

        | The bars: BARS bars of BAR_HEIGHT lines, one every BAR_SPACING lines, moving
        | up one line a frame.
        .equ    BARS, 6
        .equ    BAR_HEIGHT, 13
        .equ    BAR_SPACING, 40
        .equ    BAR_CYCLE, BARS * BAR_SPACING
        .equ    BAR_PATTERN_WORDS, BAR_CYCLE + SCREEN_ROWS
        .equ    BACKGROUND, 0x000
        .equ    THEMES, 4

| Brightness of the bar's lines; times a hue (a colour with components 0 or 1).
bar_levels:
        .word   1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1
| The hues of the six bars, for each theme.
themes:
        .word   0x100, 0x110, 0x010, 0x011, 0x001, 0x101   | rainbow
        .word   0x001, 0x011, 0x111, 0x011, 0x001, 0x101   | ice
        .word   0x100, 0x110, 0x100, 0x101, 0x100, 0x110   | fire
        .word   0x101, 0x011, 0x110, 0x101, 0x011, 0x110   | neon

| Vertical blank, first of all: the timers of this frame's borders and colours, and the
| music's tick at the frame's end.
        .macro  start_frame_timers
        clr.b   TACR.w
        move.b  #TOP_BORDER_TICKS,TADR.w
        move.b  #TOP_BORDER_CONTROL,TACR.w
        clr.b   TBCR.w
        clr.w   PALETTE.w               | black above the picture
        andi.b  #0xF0,TCDCR.w
        move.b  #TIMER_D_DATA,TDDR.w
        ori.b   #TIMER_D_CONTROL,TCDCR.w
        .endm

timer_a:
        move.l  d0,-(sp)
        moveq   #TOP_SYNC_DELAY,d0
1:      dbra    d0,1b
        move.b  #0,SYNCMODE.w           | 60 Hz
        moveq   #SYNC_WAIT,d0
2:      dbra    d0,2b
        move.b  #2,SYNCMODE.w           | 50 Hz again
        clr.b   TACR.w                  | once a frame
        moveq   #TOP_COLOUR_WAIT,d0
3:      dbra    d0,3b
        move.l  RASTER_TABLE,PALETTE.w  | colours of line 34, after line 33's last pixel
        move.l  #RASTER_TABLE+4,raster_pointer
        move.b  #8,TBCR.w               | count lines from the end of line 34 on
        move.l  (sp)+,d0
        bclr    #CHA_TIMER_A,ISRA.w
        rte

timer_b:
        move.l  a0,-(sp)
        move.l  raster_pointer,a0
        move.l  (a0)+,PALETTE.w         | colours 0 and 1 of the next line
        move.l  a0,raster_pointer
        cmpa.l  #RASTER_TABLE+4*(BOTTOM_BORDER_ROW+1),a0
        beq.s   2f
        cmpa.l  #RASTER_TABLE+4*RASTER_LINES,a0
        beq.s   3f
1:      move.l  (sp)+,a0
        bclr    #CHA_TIMER_B,ISRA.w
        rte
2:      move.b  #0,SYNCMODE.w           | 60 Hz: the bottom border opens
        nop
        nop
        move.b  #2,SYNCMODE.w
        bra.s   1b
3:      clr.b   TBCR.w                  | the picture is over
        bra.s   1b

| Fills RASTER_TABLE for this frame: the bars, moved up by the frame count, and the text
| colours. Builds the bars of a new theme first.
build_raster_table:
        move.b  theme,d0
        cmp.b   pattern_theme,d0
        beq.s   1f
        bsr     build_bar_pattern
1:      move.l  frame_count,d0
        divu    #BAR_CYCLE,d0
        swap    d0
        add.w   d0,d0
        lea     BAR_PATTERN,a1
        adda.w  d0,a1
        lea     TEXT_COLOURS,a2
        lea     RASTER_TABLE,a0
        move.w  #SCREEN_ROWS-1,d1
2:      move.w  (a1)+,(a0)+
        move.w  (a2)+,(a0)+
        dbra    d1,2b
        clr.l   (a0)                    | the line after the picture: black
        rts

| Draws the bars of the current theme into BAR_PATTERN.
build_bar_pattern:
        move.b  theme,d0
        move.b  d0,pattern_theme
        ext.w   d0
        mulu    #BARS*2,d0
        lea     themes(pc),a2
        adda.w  d0,a2
        lea     BAR_PATTERN,a0
        move.w  #BAR_PATTERN_WORDS,d7   | words still to fill
        moveq   #0,d6                   | bar
1:      move.w  d6,d0
        add.w   d0,d0
        move.w  0(a2,d0.w),d5           | its hue
        lea     bar_levels(pc),a1
        moveq   #BAR_HEIGHT-1,d4
2:      move.w  (a1)+,d3
        mulu    d5,d3
        move.w  d3,(a0)+
        subq.w  #1,d7
        beq.s   9f
        dbra    d4,2b
        moveq   #BAR_SPACING-BAR_HEIGHT-1,d4
3:      move.w  #BACKGROUND,(a0)+
        subq.w  #1,d7
        beq.s   9f
        dbra    d4,3b
        addq.w  #1,d6
        cmpi.w  #BARS,d6
        blo.s   1b
        moveq   #0,d6
        bra.s   1b
9:      rts

| Colour 1 of every screen row, for the text: white, with gradients on the text rows.
build_text_colours:
        lea     TEXT_COLOURS,a0
        move.w  #SCREEN_ROWS-1,d0
1:      move.w  #0x777,(a0)+
        dbra    d0,1b
        lea     info_gradient(pc),a1
        moveq   #INFO_ROW,d0
        moveq   #INFO_LINES-1,d2
2:      moveq   #8,d1
        bsr.s   put_gradient
        addi.w  #INFO_SPACING,d0
        dbra    d2,2b
        lea     meter_gradient(pc),a1
        move.w  #METER_ROW,d0
        moveq   #METERS-1,d2
3:      moveq   #8,d1
        bsr.s   put_gradient
        addi.w  #METER_SPACING,d0
        dbra    d2,3b
        lea     scroller_gradient(pc),a1
        move.w  #SCROLL_ROW,d0
        moveq   #16,d1                  | and on into put_gradient

| Copies d1.w colours from a1 to TEXT_COLOURS from row d0.w on. Keeps d0, d2 and a1.
put_gradient:
        move.l  a1,-(sp)
        lea     TEXT_COLOURS,a0
        adda.w  d0,a0
        adda.w  d0,a0
        subq.w  #1,d1
1:      move.w  (a1)+,(a0)+
        dbra    d1,1b
        move.l  (sp)+,a1
        rts

info_gradient:
        .word   0x777, 0x677, 0x577, 0x477, 0x377, 0x277, 0x177, 0x077
meter_gradient:
        .word   0x030, 0x050, 0x070, 0x272, 0x070, 0x050, 0x030, 0x010
scroller_gradient:
        .word   0x770, 0x770, 0x760, 0x760, 0x750, 0x750, 0x740, 0x740
        .word   0x730, 0x730, 0x720, 0x720, 0x710, 0x710, 0x701, 0x701
