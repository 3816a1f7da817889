| origin: 0xFC0000
| Reads the STE's joypad A over and over, row by row: for row n (select lines $FFFE,
| $FFFD, $FFFB, $FFF7 written to $FF9202) the column word of $FF9202 goes to $10000 + 4n
| and the fire word of $FF9200 to $10002 + 4n.
        .include "sched_tos_header.i"

        .equ    JOYPAD_FIRE, 0xFFFF9200
        .equ    JOYPAD_COLUMNS, 0xFFFF9202
        .equ    ROWS_READ, 0x10000

start:
        move.w  #0x2700,sr
        lea     0x20000,sp
scan:   lea     ROWS_READ,a0
        move.w  #0xFFFE,d0              | row 0 selected
row:    move.w  d0,JOYPAD_COLUMNS.w
        move.w  JOYPAD_COLUMNS.w,(a0)+
        move.w  JOYPAD_FIRE.w,(a0)+
        rol.w   #1,d0
        cmp.w   #0xFFEF,d0              | past row 3
        bne.s   row
        bra.s   scan
