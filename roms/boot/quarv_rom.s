| Quarv's built-in boot ROM, "QuarvDefault.ROM": a 192 KB image for $FC0000 that starts
| the machine without TOS. It sets up the hardware, shows a title screen, reads the boot
| sector of drive A again and again until it finds an executable one, and runs it with
| a small XBIOS (TRAP #14) for the boot program's use. Exceptions end on a crash screen.
        .include "st_hardware.i"
        .include "rom_layout.i"

        .equ    ROM_BASE, 0xFC0000
        .equ    ROM_SIZE, 0x30000
        .equ    RETRY_FRAMES, 75            | pause between two looks at drive A
        .equ    BOOT_CHECKSUM, 0x1234       | the 256 words of an executable boot sector

        .text
| The header the ROM list and boot programs read; the first 8 bytes double as the
| reset vectors (the stack pointer they give is not used).
rom_header:
        bra.s   rom_entry               | $602E, as every TOS image begins
        .word   0x0100                  | version 1.0
        .long   rom_entry               | reset PC
        .long   ROM_BASE                | base address
        .long   MEMBOT                  | end of the RAM the ROM uses
        .long   0
        .long   0                       | no GEM
        .byte   0x04, 0x15, 0x20, 0x25  | build date 15 April 2025, BCD month, day, year
        .word   (3 << 1) + 1            | United Kingdom, PAL
        .word   ((2025 - 1980) << 9) + (4 << 5) + 15  | the same date, GEMDOS format
        .long   0, 0, 0, 0

        .org    0x30
rom_entry:
        move.w  #0x2700,sr
        lea     SUPER_STACK.w,sp
        reset                           | peripherals to their power-on state
        cmpi.l  #0xFA52235F,0xFA0000    | a diagnostic cartridge takes over at once
        bne.s   1f
        lea     1f(pc),a6
        jmp     0xFA0004
1:      lea     0x400.w,a0              | system variables, ROM state, disk buffer
        move.w  #(SUPER_STACK - 0x400) / 4 - 1,d0
2:      clr.l   (a0)+
        dbra    d0,2b
        bsr     size_ram
        move.l  d0,ram_size.w
        bsr     init_system
        bsr     draw_title
        move.w  #0x2300,sr              | vertical blank and MFP interrupts on

boot_loop:
        moveq   #STATUS_READING,d0
        bsr     show_status
        bsr     try_boot
        bsr     show_status_and_advice
        moveq   #RETRY_FRAMES,d0
        bsr     wait_frames
        bra.s   boot_loop

| Reads the boot sector of drive A and runs it when its words add up to $1234. A boot
| program that returns is not run again until the disk holds another one.
| Out: d0.l = the status message to show. Keeps the other registers.
try_boot:
        movem.l d1-d3/a0-a1,-(sp)
        lea     DSKBUF.w,a0
        moveq   #0,d0                   | track
        moveq   #0,d1                   | side
        moveq   #1,d2                   | sector
        moveq   #1,d3                   | count
        bsr     fd_read
        moveq   #STATUS_NO_DISK,d1
        tst.l   d0
        bne.s   9f
        lea     DSKBUF.w,a0
        moveq   #0,d0
        move.w  #255,d2
1:      add.w   (a0)+,d0
        dbra    d2,1b
        moveq   #STATUS_NOT_BOOTABLE,d1
        cmpi.w  #BOOT_CHECKSUM,d0
        bne.s   9f
        moveq   #STATUS_ENDED,d1
        lea     DSKBUF.w,a0
        lea     LAST_BOOT.w,a1
        tst.b   boot_ran.w
        beq.s   3f
        moveq   #127,d2
2:      cmpm.l  (a0)+,(a1)+
        dbne    d2,2b
        beq.s   9f                      | the one that ran and returned
        lea     DSKBUF.w,a0
        lea     LAST_BOOT.w,a1
3:      moveq   #127,d2
4:      move.l  (a0)+,(a1)+
        dbra    d2,4b
        st      boot_ran.w
        movem.l d0-d7/a0-a6,-(sp)
        jsr     DSKBUF.w
        movem.l (sp)+,d0-d7/a0-a6
        move.w  #0x2700,sr              | it returned: the machine as the ROM keeps it
        bsr     init_system
        bsr     draw_title
        move.w  #0x2300,sr
        moveq   #STATUS_ENDED,d1
9:      move.l  d1,d0
        movem.l (sp)+,d1-d3/a0-a1
        rts

| Sets up vectors, system variables and the chips. Keeps every register.
init_system:
        movem.l d0/a0,-(sp)
        bsr     set_crash_vectors
        move.l  #rte_only,VEC_HBL.w
        move.l  #vbl,VEC_VBL.w
        move.l  #xbios,VEC_TRAP14.w
        move.l  #no_function,VEC_TRAP1.w
        move.l  #no_function,VEC_TRAP13.w
        move.l  #timer_c,VEC_TIMER_C.w
        move.l  #acia_interrupt,VEC_ACIA.w

        move.l  ram_size.w,d0
        move.l  d0,phystop.w
        subi.l  #SCREEN_BYTES,d0
        move.l  d0,screen_base.w
        move.l  d0,memtop.w
        move.l  d0,v_bas_ad.w
        move.l  #MEMBOT,membot.w
        move.l  #DSKBUF,dskbufp.w
        clr.w   bootdev.w
        clr.w   sshiftmd.w

        bsr     detect_ste
        move.b  d0,rom_flags.w
        bsr     init_mfp
        bsr     silence_sound
        move.l  screen_base.w,d0
        bsr     set_video_base
        clr.b   SHIFTMD.w               | low resolution
        move.b  #2,SYNCMODE.w           | 50 Hz
        bsr     reset_keyboard
        movem.l (sp)+,d0/a0
        rts

| The size of RAM: the largest of 4 MB, 2 MB, 1 MB whose last word keeps what is
| written to it, while the word half that size lower (where a smaller memory would
| show the same cell) keeps its own value; else 512 KB.
| Out: d0.l = bytes. Keeps the other registers.
size_ram:
        movem.l d1-d2/a0-a2,-(sp)
        lea     ram_sizes(pc),a2
1:      move.l  (a2)+,d0
        cmpi.l  #0x80000,d0
        beq.s   3f
        move.l  d0,a0
        subq.l  #2,a0                   | the last word
        move.l  d0,d1
        lsr.l   #1,d1
        move.l  a0,a1
        suba.l  d1,a1                   | its image in half the memory
        move.w  (a0),d1
        move.w  (a1),d2
        move.w  #0x5A3C,(a0)
        move.w  #0xC3A5,(a1)
        cmpi.w  #0x5A3C,(a0)
        seq     d0
        move.w  d1,(a0)
        move.w  d2,(a1)
        tst.b   d0
        beq.s   1b
        move.l  -4(a2),d0
3:      movem.l (sp)+,d1-d2/a0-a2
        rts
ram_sizes:
        .long   0x400000, 0x200000, 0x100000, 0x80000

| MFP: every channel off but timer C (the 200 Hz clock) and the keyboard ACIA, vectors
| from $40, software end of interrupt. Keeps every register.
init_mfp:
        mfp_all_off
        clr.b   AER.w
        clr.b   DDR.w
        move.b  #MFP_VECTOR_BASE+8,VR.w
        move.b  #192,TCDR.w
        move.b  #0x50,TCDCR.w           | prescale 64: 2457600 / 64 / 192 = 200 Hz
        move.b  #(1 << CHB_TIMER_C) + (1 << CHB_ACIA),IMRB.w
        move.b  #(1 << CHB_TIMER_C) + (1 << CHB_ACIA),IERB.w
        rts

| Every voice of the sound chip off, both drives deselected; STE DMA sound stopped.
| Keeps every register.
silence_sound:
        movem.l d0/a0-a1,-(sp)
        lea     GISELECT.w,a0
        lea     ym_power_on(pc),a1
        moveq   #0,d0
1:      move.b  d0,(a0)
        move.b  (a1)+,2(a0)
        addq.b  #1,d0
        cmpi.b  #YM_PORT_A,d0
        bls.s   1b
        btst    #0,rom_flags.w
        beq.s   2f
        clr.b   SNDCTL.w
2:      movem.l (sp)+,d0/a0-a1
        rts
| Registers 0-14: tones, noise and envelope at 0, the mixer with every voice off and
| both ports as outputs, volumes 0, port A with drives A and B off and side 0.
ym_power_on:
        .byte   0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0x07
        .even

| ACIA master reset and the keyboard processor's reset command. Keeps every register.
reset_keyboard:
        move.l  d0,-(sp)
        move.b  #ACIA_MASTER_RESET,KEYCTL.w
        move.b  #ACIA_KEYBOARD_MODE,KEYCTL.w
        sf      ikbd_skip.w
        move.b  #0x80,d0
        bsr     ikbd_send
        moveq   #0x01,d0
        bsr     ikbd_send
        move.l  (sp)+,d0
        rts

| Interrupt handlers.
vbl:
        addq.l  #1,frclock.w
        addq.l  #1,vbclock.w
rte_only:
        rte

timer_c:
        addq.l  #1,hz_200.w
        bclr    #CHB_TIMER_C,ISRB.w
        rte

| Keyboard bytes are taken and dropped: the title screen has no use for keys.
acia_interrupt:
        tst.b   KEYBD.w
        bclr    #CHB_ACIA,ISRB.w
        rte

        .include "floppy.i"
        .include "xbios.i"
        .include "title.i"
        .include "crash_screen.i"
        .include "text_format.i"
        .include "planar_draw.i"
        .include "quarv_logo.i"
        .include "ikbd.i"
        .include "detect_ste.i"
        .include "quarv_font.i"
        .include "disk_advice.i"

        .org    ROM_SIZE, 0xFF
