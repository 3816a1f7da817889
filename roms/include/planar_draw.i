| Drawing on a low-resolution screen: 320 x 200 pixels, 16 colours in four bit-planes.
| A line is 160 bytes of 20 groups of 16 pixels; each group holds one word per plane,
| plane 0 first. An 8-pixel column c (0-39) is the high byte (c even) or the low byte
| (c odd) of the plane words of group c / 2. Needs font_8x8 (quarv_font.i).

        .equ    LINE_BYTES, 160

| Address of the plane-0 byte of 8-pixel column d0.w on the line at a1.
| In: a1 = line address, d0.w = column. Out: a3. Keeps every other register.
column_address:
        move.l  d0,-(sp)
        ext.l   d0
        lsr.w   #1,d0                   | group
        lsl.w   #3,d0
        lea     0(a1,d0.w),a3
        move.l  (sp)+,d0
        btst    #0,d0
        beq.s   1f
        addq.l  #1,a3                   | odd column: the low byte of the words
1:      rts

| Sets the pixels of mask d3.b in the byte at a3 (and its three plane bytes) to colour
| d4, leaving the other pixels of the byte alone. Keeps every register.
plot_byte:
        move.l  d5,-(sp)
        move.b  d3,d5
        not.b   d5
        and.b   d5,(a3)
        and.b   d5,2(a3)
        and.b   d5,4(a3)
        and.b   d5,6(a3)
        btst    #0,d4
        beq.s   1f
        or.b    d3,(a3)
1:      btst    #1,d4
        beq.s   2f
        or.b    d3,2(a3)
2:      btst    #2,d4
        beq.s   3f
        or.b    d3,4(a3)
3:      btst    #3,d4
        beq.s   4f
        or.b    d3,6(a3)
4:      move.l  (sp)+,d5
        rts

| Sets the pixels of mask d3.b, moved d7.w pixels (0-7) to the right, to colour d4 at
| 8-pixel column d0.w of the line at a1; pixels moved out of the column go into the
| next one, unless that is past the right edge. Keeps every register.
plot_mask:
        movem.l d3/a3,-(sp)
        andi.w  #0xFF,d3
        bsr.s   column_address
        move.w  d3,-(sp)
        lsr.b   d7,d3
        beq.s   1f
        bsr.s   plot_byte
1:      move.w  (sp)+,d3
        tst.w   d7
        beq.s   2f
        cmpi.w  #39,d0
        bhs.s   2f
        lsl.w   #8,d3
        lsr.w   d7,d3                   | the low byte: what moved out
        tst.b   d3
        beq.s   2f
        addq.w  #1,d0
        bsr.s   column_address
        subq.w  #1,d0
        bsr.s   plot_byte
2:      movem.l (sp)+,d3/a3
        rts

| Draws a zero-terminated string in the 8 x 8 font, each glyph on an 8-pixel column;
| glyph pixels take colour d2, the other pixels keep what they had (clear_lines wipes
| a band before new text goes over old). Characters outside the font draw nothing.
| In: a0 = string, a1 = screen base, d0.w = first column, d1.w = top line, d2.w = colour.
| Keeps every register.
draw_text:
        move.l  d3,-(sp)
        moveq   #0,d3
        bsr.s   draw_text_shifted
        move.l  (sp)+,d3
        rts

| As draw_text, with the text moved d3.w pixels (0-7) to the right.
draw_text_shifted:
        movem.l d0-d7/a0-a4,-(sp)
        move.w  d3,d7
        mulu    #LINE_BYTES,d1
        lea     0(a1,d1.l),a2           | the text's top line
        move.w  d2,d4
1:      moveq   #0,d5
        move.b  (a0)+,d5
        beq.s   4f
        subi.w  #FONT_FIRST,d5
        bcs.s   3f
        cmpi.w  #FONT_LAST-FONT_FIRST,d5
        bhi.s   3f
        lsl.w   #3,d5
        lea     font_8x8(pc),a4
        adda.w  d5,a4
        move.l  a2,a1
        moveq   #7,d6
2:      move.b  (a4)+,d3
        beq.s   5f
        bsr     plot_mask
5:      lea     LINE_BYTES(a1),a1
        dbra    d6,2b
3:      addq.w  #1,d0
        bra.s   1b
4:      movem.l (sp)+,d0-d7/a0-a4
        rts

| Clears d2.w lines from line d1.w on (all planes, colour 0).
| In: a1 = screen base. Keeps every register.
clear_lines:
        movem.l d1-d2/a1,-(sp)
        mulu    #LINE_BYTES,d1
        adda.l  d1,a1
        mulu    #LINE_BYTES/4,d2
        bra.s   2f
1:      clr.l   (a1)+
2:      dbra    d2,1b
        movem.l (sp)+,d1-d2/a1
        rts

| The 8-pixel column, in d0.w, at which the zero-terminated string at a0 starts when
| it is centred on the 320-pixel line. Keeps the other registers.
centred_column:
        move.l  a0,-(sp)
        moveq   #40,d0
1:      tst.b   (a0)+
        beq.s   2f
        subq.w  #1,d0
        bra.s   1b
2:      asr.w   #1,d0
        move.l  (sp)+,a0
        rts

| Draws the string at a0 centred on the 320-pixel line: as draw_text, without d0.
draw_text_centred:
        move.l  d0,-(sp)
        bsr.s   centred_column
        bsr     draw_text
        move.l  (sp)+,d0
        rts
