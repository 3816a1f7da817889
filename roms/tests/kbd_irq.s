| origin: 0xFC0000
| Keyboard bytes by interrupt: resets the keyboard processor, then collects every byte
| the keyboard ACIA receives in its MFP interrupt handler.
|   $600.w  number of bytes received
|   $602..  the bytes, in order of arrival

ACIA_CTRL  = 0xFFFC00
ACIA_DATA  = 0xFFFC02
MFP_IERB   = 0xFFFA09
MFP_ISRB   = 0xFFFA11
MFP_IMRB   = 0xFFFA15
MFP_VR     = 0xFFFA17
COUNT      = 0x600
BUFFER     = 0x602
VECTOR_BASE = 0x40                  | MFP vectors $40-$4F
ACIA_VECTOR = (VECTOR_BASE + 6) * 4 | channel 6, the keyboard ACIA

        bra.s   start               | $602E, as every TOS image begins
        dc.w    0x0100              | version 1.0
        dc.l    start               | reset PC
        dc.l    0xFC0000            | base address
        .org    0x30
start:
        move.w  #0x2700,sr
        lea     0x8000,sp
        clr.w   COUNT
        move.l  #acia_interrupt,ACIA_VECTOR
        move.b  #VECTOR_BASE+8,MFP_VR   | software end of interrupt
        bset    #6,MFP_IERB
        bset    #6,MFP_IMRB
        move.b  #0x96,ACIA_CTRL         | divide by 64, 8N1, receive interrupt on
        move.b  #0x80,ACIA_DATA         | keyboard processor reset: answers $F0
        move.b  #0x01,ACIA_DATA
        move.w  #0x2500,sr              | level 6 (MFP) gets through
idle:
        bra.s   idle

acia_interrupt:
        movem.l d0/a0,-(sp)
        btst    #0,ACIA_CTRL            | receive register full?
        beq.s   done
        move.b  ACIA_DATA,d0
        lea     BUFFER,a0
        adda.w  COUNT,a0
        move.b  d0,(a0)
        addq.w  #1,COUNT
done:
        bclr    #6,MFP_ISRB             | end of interrupt for channel 6
        movem.l (sp)+,d0/a0
        rte
