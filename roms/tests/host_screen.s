| origin: 0xFC0000
| A known picture for the window tests. Low resolution, screen at $10000: twenty
| 16-pixel columns in colours 0-15, 0-3. Colour 0 (also the border) follows the frame
| count; colours 14 and 15 show the last two bytes received from the keyboard processor
| (before any: $00). A byte b shows as the colour $0RGB with R = b bits 7-6, G = bits 5-3,
| B = bits 2-0. Mouse reporting is turned off, so only key bytes arrive.

SCREEN     = 0x10000
VBASE_HI   = 0xFF8201
VBASE_MID  = 0xFF8203
RESOLUTION = 0xFF8260
PALETTE    = 0xFF8240
ACIA_CTRL  = 0xFFFC00
ACIA_DATA  = 0xFFFC02
MFP_IERB   = 0xFFFA09
MFP_ISRB   = 0xFFFA11
MFP_IMRB   = 0xFFFA15
MFP_VR     = 0xFFFA17
VECTOR_BASE = 0x40
ACIA_VECTOR = (VECTOR_BASE + 6) * 4
FRAMES     = 0x600                  | frame count (long)
LAST_KEY   = 0x604                  | colour of the last byte received

        .include "sched_tos_header.i"

start:
        move.w  #0x2700,sr
        lea     0x8000,sp
        clr.l   FRAMES
        clr.w   LAST_KEY
        move.b  #0,RESOLUTION
        move.b  #SCREEN>>16,VBASE_HI
        move.b  #(SCREEN>>8)&0xFF,VBASE_MID

        lea     PALETTE,a0              | colours 1-13 fixed, 0, 14, 15 black
        lea     colours(pc),a1
        moveq   #15,d0
1:      move.w  (a1)+,(a0)+
        dbra    d0,1b

        lea     SCREEN,a0               | 200 lines of 20 columns of 4 plane words
        move.w  #199,d7
line:   moveq   #0,d6
column: move.w  d6,d0
        moveq   #3,d5
plane:  lsr.w   #1,d0                   | plane bit p of the column's colour
        subx.w  d1,d1                   | all ones when set
        move.w  d1,(a0)+
        dbra    d5,plane
        addq.w  #1,d6
        cmp.w   #20,d6
        bne.s   column
        dbra    d7,line

        move.l  #vbl,0x70
        move.l  #acia_interrupt,ACIA_VECTOR
        move.b  #VECTOR_BASE+8,MFP_VR   | software end of interrupt
        bset    #6,MFP_IERB
        bset    #6,MFP_IMRB
        move.b  #0x96,ACIA_CTRL         | divide by 64, 8N1, receive interrupt on
        move.b  #0x12,ACIA_DATA         | keyboard processor: mouse off
        move.w  #0x2300,sr              | VBL (4) and MFP (6) get through
idle:   bra.s   idle

| d0.b byte -> d1.w colour
to_colour:
        moveq   #0,d1
        move.b  d0,d1
        move.w  d1,d2
        and.w   #0x07,d2                | blue: bits 2-0
        move.w  d1,d3
        add.w   d3,d3
        and.w   #0x70,d3                | green: bits 5-3
        lsl.w   #2,d1
        and.w   #0x300,d1               | red: bits 7-6
        or.w    d2,d1
        or.w    d3,d1
        rts

vbl:    movem.l d0-d3,-(sp)
        addq.l  #1,FRAMES
        move.l  FRAMES,d0
        bsr.s   to_colour
        move.w  d1,PALETTE
        movem.l (sp)+,d0-d3
        rte

acia_interrupt:
        movem.l d0-d3,-(sp)
        btst    #0,ACIA_CTRL            | receive register full?
        beq.s   done
        move.b  ACIA_DATA,d0
        move.w  LAST_KEY,PALETTE+28     | the previous byte moves to colour 14
        bsr.s   to_colour
        move.w  d1,LAST_KEY
        move.w  d1,PALETTE+30
done:   bclr    #6,MFP_ISRB             | end of interrupt for channel 6
        movem.l (sp)+,d0-d3
        rte

colours:
        .word   0x000, 0x700, 0x070, 0x007, 0x770, 0x707, 0x077, 0x777
        .word   0x300, 0x030, 0x003, 0x330, 0x303, 0x033, 0x000, 0x000
