| Under a disk that is not bootable the title says how to run it: such a disk needs a
| TOS, and the emulator's menu has one (EmuTOS comes with it). The advice stays while
| the disk is read again and goes with any other status. (It sits at the end of the
| ROM so that adding it moved none of the code before.)
        .equ    ADVICE_LINE, 159            | three lines of 8, under the status
        .equ    ADVICE_LINES, 3

| The status d0.w (STATUS_...) after a look at drive A, with the advice under it.
| While no advice is shown, another status costs no time. Keeps every register.
show_status_and_advice:
        bsr     show_status
        cmpi.w  #STATUS_NOT_BOOTABLE,d0
        beq.s   1f
        tst.b   advice_shown.w
        bne.s   1f
        rts
1:      movem.l d0-d3/a0-a1,-(sp)
        move.w  d0,d3
        move.l  screen_base.w,a1
        move.w  #ADVICE_LINE,d1
        moveq   #8*ADVICE_LINES,d2
        bsr     clear_lines
        sf      advice_shown.w
        cmpi.w  #STATUS_NOT_BOOTABLE,d3
        bne.s   3f
        lea     advice_lines(pc),a0
        moveq   #COLOUR_SUBTITLE,d2
        moveq   #ADVICE_LINES-1,d3
2:      bsr     draw_text_centred
        addq.w  #8,d1
4:      tst.b   (a0)+                   | the next line
        bne.s   4b
        dbra    d3,2b
        st      advice_shown.w
3:      movem.l (sp)+,d0-d3/a0-a1
        rts

advice_lines:
        .asciz  "Other disks need a TOS. To use EmuTOS:"
        .asciz  "press F12, choose Options, select an"
        .asciz  "EmuTOS image in the ROM list, Set Active"
        .even
