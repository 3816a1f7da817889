| The scrolling text in the bottom border: the 8 x 8 font at twice its size, 16 lines
| of plane 0 (colour 1, which the rasters shade line by line). Each frame the lines move
| SCROLL_COLUMNS font columns (two pixels each) to the left, and the next columns of
| the current character come in at the right edge.

        .equ    SCROLL_ROW, 244             | frame lines 278-293
        .equ    SCROLL_COLUMNS, 2           | four pixels a frame

| Shifts one screen line at a0 one pixel to the left; X comes in at the right.
        .macro  shift_line_left
        .set    word_offset, LINE_BYTES - 8
        .rept   20
        roxl.w  word_offset(a0)
        .set    word_offset, word_offset - 8
        .endr
        .endm

scroll_text:
        moveq   #SCROLL_COLUMNS-1,d7
1:      bsr.s   scroll_one_column
        dbra    d7,1b
        rts

scroll_one_column:
        move.l  scroll_text_pointer,a2
        moveq   #0,d0
        move.b  (a2),d0
        bne.s   1f
        lea     scroll_message(pc),a2   | from the start again
        move.l  a2,scroll_text_pointer
        move.b  (a2),d0
1:      subi.w  #FONT_FIRST,d0
        cmpi.w  #FONT_LAST-FONT_FIRST,d0
        bls.s   2f
        moveq   #0,d0                   | not in the font: a space
2:      lsl.w   #3,d0
        lea     font_8x8(pc),a1
        adda.w  d0,a1
        move.w  scroll_column,d5        | bit of the glyph rows, 7 = leftmost
        lea     SCREEN+SCROLL_ROW*LINE_BYTES,a0
        moveq   #7,d6
3:      move.b  (a1)+,d4
        btst    d5,d4
        sne     d3                      | $FF for a set pixel
        moveq   #1,d4                   | two lines a glyph row
4:      move.b  d3,d2                   | two pixels a column
        add.b   d2,d2
        shift_line_left
        move.b  d3,d2
        add.b   d2,d2
        shift_line_left
        lea     LINE_BYTES(a0),a0
        dbra    d4,4b
        dbra    d6,3b
        subq.w  #1,scroll_column
        bpl.s   5f
        move.w  #7,scroll_column
        addq.l  #1,scroll_text_pointer
5:      rts

scroll_message:
        .ascii  "Welcome to Quarv, the Atari ST emulator that counts every cycle...     "
        .ascii  "This demo boots from its own disk on Quarv's own ROM. "
        .ascii  "MFP timer B sets new colours at the end of every line, "
        .ascii  "the top and bottom borders are open (look: you are reading this "
        .ascii  "in the bottom border), and MFP timer D drives the YM2149 music. "
        .ascii  "On an STE the drums come from DMA sound.     "
        .ascii  "Press a key for other colours.     "
        .ascii  "Bring your own TOS and disks: quarv --rom tos.img --disk game.st     "
        .asciz  "Have fun!                    "
        .even
