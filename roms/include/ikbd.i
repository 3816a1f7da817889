| Talking to the keyboard processor through the keyboard ACIA. Key presses and releases
| come as single bytes (bit 7 set on release); status, mouse, clock and joystick reports
| are packets whose header byte ($F6-$FF) says how many bytes follow. The includer
| defines ikbd_skip, a byte variable in RAM that holds the packet bytes still to come.

| Sends d0.b to the keyboard processor once the ACIA can take it. Keeps every register.
ikbd_send:
        move.l  d1,-(sp)
        move.l  #20000,d1
1:      btst    #ACIA_TX_EMPTY,KEYCTL.w
        bne.s   2f
        subq.l  #1,d1
        bne.s   1b
2:      move.b  d0,KEYBD.w
        move.l  (sp)+,d1
        rts

| In: d0.b = a byte received from the keyboard ACIA.
| Out: d0.l = the scan code of a key that went down (1-$7F), or -1 for anything else.
| Keeps the other registers.
ikbd_key_down:
        tst.b   ikbd_skip
        beq.s   1f
        subq.b  #1,ikbd_skip
        moveq   #-1,d0
        rts
1:      cmpi.b  #0xF6,d0
        blo.s   2f
        andi.w  #0x0F,d0
        move.b  ikbd_packet_lengths-6(pc,d0.w),ikbd_skip
        moveq   #-1,d0
        rts
2:      tst.b   d0
        ble.s   3f                      | a key released, the reset answer $F0-$F5, or 0
        andi.l  #0x7F,d0
        rts
3:      moveq   #-1,d0
        rts
| Bytes after the headers $F6-$FF: status, absolute mouse, four relative mouse
| headers, clock, joystick report, two joystick events.
ikbd_packet_lengths:
        .byte   7, 5, 2, 2, 2, 2, 6, 2, 1, 1
