| The Quarv lettering: the five letters on a grid of 8 x 8 blocks, each block a
| rounded 7 x 7 tile, with a drop shadow two pixels down and to the right. 29 blocks
| (232 pixels) wide and 7 blocks (56 lines) high. Needs planar_draw.i.

        .equ    LOGO_COLUMNS, 29            | 8-pixel columns
        .equ    LOGO_LINES, 56

| One long per block row, the leftmost block in bit 31.
logo_grid:
        .long   0x72273C88              | .###..#...#..###..####..#...#
        .long   0x8A28A288              | #...#.#...#.#...#.#...#.#...#
        .long   0x8A28A288              | #...#.#...#.#...#.#...#.#...#
        .long   0x8A2FBC88              | #...#.#...#.#####.####..#...#
        .long   0xAA28A850              | #.#.#.#...#.#...#.#.#....#.#.
        .long   0x9228A450              | #..#..#...#.#...#.#..#...#.#.
        .long   0x69C8A220              | .##.#..###..#...#.#...#...#..
logo_tile:
        .byte   0b01111100
        .byte   0b11111110
        .byte   0b11111110
        .byte   0b11111110
        .byte   0b11111110
        .byte   0b11111110
        .byte   0b01111100
        .byte   0b00000000

| Draws the lettering: first the shadow in one colour, then the letters with a colour
| for each of their 56 lines.
| In: a1 = screen base, d0.w = first 8-pixel column, d1.w = top line,
|     a2 = 56 colour bytes, d2.w = shadow colour (negative: no shadow).
| Keeps every register.
draw_logo:
        movem.l d1-d2/d7/a0/a2/a4,-(sp)
        move.l  a1,a0
        move.l  a2,a4
        tst.w   d2
        bmi.s   1f
        move.b  d2,-(sp)                | a one-colour table, on the stack
        move.l  sp,a2
        moveq   #0,d2                   | the same colour for every line
        moveq   #2,d7                   | two pixels to the right
        addq.w  #2,d1                   | and two lines down
        bsr     logo_pass
        subq.w  #2,d1
        addq.l  #2,sp
1:      move.l  a4,a2
        moveq   #1,d2
        moveq   #0,d7
        bsr     logo_pass
        movem.l (sp)+,d1-d2/d7/a0/a2/a4
        rts

| One pass over the grid. In: a0 = screen base, d0.w = first column, d1.w = top line,
| a2 = colour table read with step d2.w (0 or 1 byte a line), d7.w = shift to the right
| in pixels. Keeps every register.
logo_pass:
        movem.l d0-d7/a1/a3-a4,-(sp)
        move.w  d0,a4                   | first column
        moveq   #0,d6                   | logo line
1:      move.w  d1,d3                   | line address
        add.w   d6,d3
        mulu    #LINE_BYTES,d3
        lea     0(a0,d3.l),a1
        move.w  d6,d3                   | d4: tile byte in bits 16-23, colour in bits 0-3
        andi.w  #7,d3
        moveq   #0,d4
        lea     logo_tile(pc),a3
        move.b  0(a3,d3.w),d4
        swap    d4
        move.w  d6,d3
        mulu    d2,d3
        move.b  0(a2,d3.w),d4
        move.w  d6,d3                   | d5: the blocks of this row, leftmost in bit 31
        lsr.w   #3,d3
        lsl.w   #2,d3
        lea     logo_grid(pc),a3
        move.l  0(a3,d3.w),d5
        move.w  a4,d0
2:      tst.l   d5
        beq.s   5f
        add.l   d5,d5
        bcc.s   4f
        move.l  d4,d3
        swap    d3
        bsr     plot_mask
4:      addq.w  #1,d0
        bra.s   2b
5:      addq.w  #1,d6
        cmpi.w  #LOGO_LINES,d6
        blo.s   1b
        movem.l (sp)+,d0-d7/a1/a3-a4
        rts
