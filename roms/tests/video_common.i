| Shared by the video test programs: register addresses, the screen pattern and the
| line-counting horizontal blank set-up.
        .equ    SCREEN, 0x10000         | video base of the pictures
        .equ    VIDEO_BASE_HIGH, 0xFF8201
        .equ    VIDEO_BASE_MID, 0xFF8203
        .equ    COUNTER_HIGH, 0xFF8205
        .equ    COUNTER_MID, 0xFF8207
        .equ    COUNTER_LOW, 0xFF8209
        .equ    SYNC_MODE, 0xFF820A
        .equ    PALETTE, 0xFF8240
        .equ    RESOLUTION, 0xFF8260
        .equ    HBL_VECTOR, 0x68
        .equ    VBL_VECTOR, 0x70

| Fills `words` words from `base` with an arithmetic progression modulo 65536 that
| starts at 0 and grows by `step`, so that every plane of every block varies.
        .macro  fill_pattern base, words, step
        lea     \base,a0
        move.l  #\words-1,d0
        moveq   #0,d1
1:      move.w  d1,(a0)+
        add.w   #\step,d1
        subq.l  #1,d0
        bpl.s   1b
        .endm

| Loads the 16 palette entries from `colours`.
        .macro  load_palette colours
        lea     PALETTE,a0
        lea     \colours(pc),a1
        moveq   #15,d0
1:      move.w  (a1)+,(a0)+
        dbra    d0,1b
        .endm

| Sixteen colours using all twelve bits, and a word with bits 12-15 set.
        .macro  standard_colours
        .word   0x000, 0x700, 0x070, 0x007, 0x777, 0xFFF, 0x800, 0x080
        .word   0x008, 0x123, 0x456, 0xF00, 0x0F0, 0x00F, 0xA5C, 0xF1E3
        .endm

| Supervisor stack, interrupts off, the screen at SCREEN from the next frame.
        .macro  video_setup
        move.w  #0x2700,sr
        lea     0x8000,sp
        move.b  #SCREEN>>16,VIDEO_BASE_HIGH
        move.b  #(SCREEN>>8)&0xFF,VIDEO_BASE_MID
        .endm

| The horizontal blank is requested at cycle 16 of every line. A processor waiting in
| STOP takes it at once: 56 cycles of exception processing put the handler's first
| instruction at cycle 72 of the line. The vertical blank clears d7 in line 0, so the
| handler's `addq.w #1,d7` leaves the frame line number in d7.
        .macro  wait_for_lines
        moveq   #0,d7
        move.w  #0x2100,sr
9:      stop    #0x2100
        bra.s   9b
        .endm
