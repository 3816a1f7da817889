| Exceptions that nothing handles end on a crash screen: which exception, where, the
| registers and the stacks, and a key press restarts the machine from the ROM.
|
| Every vector from 2 to 255 points into a table of BSR instructions, one for each
| vector, so that the return address they push tells which vector was taken.

        .equ    CRASH_FIRST_VECTOR, 2
        .equ    CRASH_VECTORS, 256 - CRASH_FIRST_VECTOR

| Points vectors 2-255 at the crash entries. Keeps every register.
set_crash_vectors:
        movem.l d0/a0-a1,-(sp)
        lea     (CRASH_FIRST_VECTOR*4).w,a0
        lea     crash_entries(pc),a1
        move.w  #CRASH_VECTORS-1,d0
1:      move.l  a1,(a0)+
        addq.l  #4,a1
        dbra    d0,1b
        movem.l (sp)+,d0/a0-a1
        rts

crash_entries:
        .rept   CRASH_VECTORS
        bsr.w   crash
        .endr

crash:
        move.w  #0x2700,sr
        movem.l d0-d7/a0-a7,crash_regs.w
        move.l  (sp)+,d0                | the entry after the one taken
        lea     crash_entries+4(pc),a0
        sub.l   a0,d0
        lsr.l   #2,d0
        addq.w  #CRASH_FIRST_VECTOR,d0
        move.w  d0,crash_vector.w
        clr.l   crash_address.w
        cmpi.w  #3,d0                   | bus and address errors stack 8 more bytes
        bhi.s   1f
        move.l  2(sp),crash_address.w
        addq.l  #8,sp
1:      move.w  (sp)+,crash_sr.w
        move.l  (sp)+,crash_pc.w
        move.l  sp,crash_ssp.w
        move.l  usp,a0
        move.l  a0,crash_usp.w
        lea     CRASH_STACK.w,sp
        move.l  crash_ssp.w,crash_regs+60.w     | A7 as the crashed program had it
        btst    #5,crash_sr.w
        bne.s   2f
        move.l  a0,crash_regs+60.w
2:      bsr     quiet_machine
        bsr     size_ram
        move.l  d0,a1
        suba.l  #SCREEN_BYTES,a1
        move.l  a1,d0
        bsr     set_video_base
        clr.b   SHIFTMD.w
        move.b  #2,SYNCMODE.w
        lea     crash_palette(pc),a0
        lea     PALETTE.w,a2
        moveq   #15,d0
3:      move.w  (a0)+,(a2)+
        dbra    d0,3b
        moveq   #0,d1
        move.w  #200,d2
        bsr     clear_lines
        bsr     draw_crash_report
        bsr     wait_key_restart

crash_palette:
        .word   0x200, 0x777, 0x760, 0x655, 0, 0, 0, 0
        .word   0, 0, 0, 0, 0, 0, 0, 0

| Stops everything that could go on behind the crash screen: MFP interrupts, sound
| chip voices, STE DMA sound. Keeps every register.
quiet_machine:
        movem.l d0-d1/a0,-(sp)
        clr.b   IERA.w
        clr.b   IERB.w
        lea     GISELECT.w,a0
        moveq   #YM_VOLUME_A,d0
1:      move.b  d0,(a0)
        clr.b   2(a0)
        addq.b  #1,d0
        cmpi.b  #YM_VOLUME_A+2,d0
        bls.s   1b
        bsr     detect_ste
        beq.s   2f
        clr.b   SNDCTL.w
2:      movem.l (sp)+,d0-d1/a0
        rts

| Writes the report on the screen at a1. Keeps every register.
draw_crash_report:
        movem.l d0-d4/a0-a3,-(sp)
        moveq   #1,d0                   | column
        moveq   #2,d2                   | colour
        lea     crash_title(pc),a0
        moveq   #12,d1
        bsr     draw_text
        moveq   #1,d2
        lea     crash_text(pc),a0
        moveq   #28,d1
        bsr     draw_text
        lea     text_buffer.w,a0        | the exception's name
        bsr     exception_name
        lea     text_buffer.w,a0
        moveq   #40,d1
        bsr     draw_text

        lea     text_buffer.w,a0        | PC and SR
        lea     crash_pc_label(pc),a3
        move.l  crash_pc.w,d0
        moveq   #8,d1
        bsr     label_and_hex
        lea     crash_sr_label(pc),a3
        moveq   #0,d0
        move.w  crash_sr.w,d0
        moveq   #4,d1
        bsr     label_and_hex
        clr.b   (a0)
        moveq   #1,d0
        moveq   #60,d1
        moveq   #3,d2
        lea     text_buffer.w,a0
        bsr     draw_text

        cmpi.w  #3,crash_vector.w
        bhi.s   1f
        lea     text_buffer.w,a0
        lea     crash_address_label(pc),a3
        move.l  crash_address.w,d0
        moveq   #8,d1
        bsr     label_and_hex
        clr.b   (a0)
        moveq   #1,d0
        moveq   #72,d1
        lea     text_buffer.w,a0
        bsr     draw_text

1:      moveq   #0,d4                   | register pairs Dn An
        moveq   #88,d3
2:      lea     text_buffer.w,a0
        move.b  #'D',(a0)+
        move.b  d4,d0
        addi.b  #'0',d0
        move.b  d0,(a0)+
        move.b  #' ',(a0)+
        move.w  d4,d0
        lsl.w   #2,d0
        lea     crash_regs.w,a2
        move.l  0(a2,d0.w),d0
        moveq   #8,d1
        bsr     format_hex
        lea     crash_a_label(pc),a3
        bsr     append_label
        move.b  d4,d0
        addi.b  #'0',d0
        move.b  d0,(a0)+
        move.b  #' ',(a0)+
        move.w  d4,d0
        lsl.w   #2,d0
        move.l  32(a2,d0.w),d0
        moveq   #8,d1
        bsr     format_hex
        clr.b   (a0)
        moveq   #1,d0
        move.w  d3,d1
        moveq   #1,d2
        lea     text_buffer.w,a0
        bsr     draw_text
        addi.w  #10,d3
        addq.w  #1,d4
        cmpi.w  #8,d4
        blo.s   2b

        lea     text_buffer.w,a0        | both stacks
        lea     crash_usp_label(pc),a3
        move.l  crash_usp.w,d0
        moveq   #8,d1
        bsr     label_and_hex
        lea     crash_ssp_label(pc),a3
        move.l  crash_ssp.w,d0
        bsr     label_and_hex
        clr.b   (a0)
        moveq   #1,d0
        move.w  #172,d1
        moveq   #3,d2
        lea     text_buffer.w,a0
        bsr     draw_text

        moveq   #1,d0
        move.w  #188,d1
        moveq   #2,d2
        lea     crash_restart(pc),a0
        bsr     draw_text
        movem.l (sp)+,d0-d4/a0-a3
        rts

| Appends the label at a3 and d0.l as d1.w hex digits to the text at a0.
label_and_hex:
        bsr.s   append_label
        bra     format_hex

| Appends the label at a3 to the text at a0, as append_text. Keeps a1.
append_label:
        move.l  a1,-(sp)
        move.l  a3,a1
        bsr     append_text
        move.l  (sp)+,a1
        rts

| Writes the name of the exception crash_vector at a0, zero-terminated.
exception_name:
        movem.l d0-d1/a1,-(sp)
        move.w  crash_vector.w,d0
        lea     exception_names(pc),a1
        cmpi.w  #11,d0                  | 2-11 have their own names
        bhi.s   1f
        subq.w  #2,d0
        bra.s   3f
2:      tst.b   (a1)+
        bne.s   2b
3:      dbra    d0,2b
        bsr     append_text
        bra.s   9f
1:      cmpi.w  #24,d0
        blo.s   6f
        lea     name_spurious(pc),a1
        beq.s   8f
        lea     name_interrupt(pc),a1   | 25-31: autovectors of levels 1-7
        moveq   #24,d1
        cmpi.w  #31,d0
        bls.s   7f
        lea     name_trap(pc),a1        | 32-47: TRAP #0-#15
        moveq   #32,d1
        cmpi.w  #47,d0
        bls.s   7f
        lea     name_mfp(pc),a1         | 64-79: MFP channels 0-15
        moveq   #64,d1
        cmpi.w  #64,d0
        blo.s   6f
        cmpi.w  #79,d0
        bls.s   7f
6:      lea     name_vector(pc),a1
        moveq   #0,d1
7:      bsr     append_text
        sub.w   d1,d0
        ext.l   d0
        bsr     format_decimal
        clr.b   (a0)
        bra.s   9f
8:      bsr     append_text
9:      movem.l (sp)+,d0-d1/a1
        rts

| Polls the keyboard until a key goes down, then restarts from the ROM.
wait_key_restart:
        bsr     reset_keyboard
1:      btst    #ACIA_RX_FULL,KEYCTL.w
        beq.s   1b
        move.b  KEYBD.w,d0
        bsr     ikbd_key_down
        tst.l   d0
        bmi.s   1b
        jmp     rom_entry

crash_title:            .asciz  "QUARV BOOT ROM"
crash_text:             .asciz  "The program stopped on an exception:"
crash_restart:          .asciz  "Press a key to restart."
crash_pc_label:         .asciz  "PC "
crash_sr_label:         .asciz  "   SR "
crash_address_label:    .asciz  "Access address "
crash_a_label:          .asciz  "   A"
crash_usp_label:        .asciz  "USP "
crash_ssp_label:        .asciz  "  SSP "
exception_names:
        .asciz  "Bus error"
        .asciz  "Address error"
        .asciz  "Illegal instruction"
        .asciz  "Division by zero"
        .asciz  "CHK out of bounds"
        .asciz  "TRAPV overflow"
        .asciz  "Privilege violation"
        .asciz  "Trace"
        .asciz  "Line A instruction"
        .asciz  "Line F instruction"
name_spurious:          .asciz  "Spurious interrupt"
name_interrupt:         .asciz  "Interrupt of level "
name_trap:              .asciz  "TRAP #"
name_mfp:               .asciz  "MFP interrupt, channel "
name_vector:            .asciz  "Exception vector "
        .even
