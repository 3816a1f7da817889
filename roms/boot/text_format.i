| Numbers as text, for the title and the crash screen.

| Writes d0.l as d1.w hexadecimal digits (1-8) at a0, which moves past them.
| Keeps the other registers.
format_hex:
        movem.l d0-d2,-(sp)
        move.w  d1,d2
        lsl.w   #2,d2
        ror.l   d2,d0                   | the first digit to the top nibble
        subq.w  #1,d1
1:      rol.l   #4,d0
        moveq   #0x0F,d2
        and.b   d0,d2
        move.b  hex_digits(pc,d2.w),(a0)+
        dbra    d1,1b
        movem.l (sp)+,d0-d2
        rts
hex_digits:
        .ascii  "0123456789ABCDEF"

| Writes d0.l (below 655360) in decimal at a0, which moves past the digits.
| Keeps the other registers.
format_decimal:
        movem.l d0-d1/a1,-(sp)
        lea     -8(sp),sp               | the digits come lowest first
        move.l  sp,a1
1:      divu    #10,d0
        swap    d0
        move.b  d0,(a1)+
        clr.w   d0
        swap    d0
        bne.s   1b
2:      move.b  -(a1),d1
        addi.b  #'0',d1
        move.b  d1,(a0)+
        cmpa.l  sp,a1
        bne.s   2b
        lea     8(sp),sp
        movem.l (sp)+,d0-d1/a1
        rts

| Copies the zero-terminated string at a1 to a0; a0 ends on the copied zero, so that
| more text can follow. Keeps the other registers.
append_text:
        move.l  a1,-(sp)
1:      move.b  (a1)+,(a0)+
        bne.s   1b
        subq.l  #1,a0
        move.l  (sp)+,a1
        rts
