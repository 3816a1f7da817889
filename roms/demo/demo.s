| origin: 0x10000
| The demo of "QuarvDefault.ST", loaded by its boot sector and started in supervisor
| mode. It takes the whole machine: raster bars by MFP timer B on every line, the top
| and bottom borders open, a scrolling text in the bottom border, YM2149 music on MFP
| timer D, DMA sound drums on an STE, and a key press changes the colours. It uses no
| operating system call, so it runs the same after TOS or after Quarv's own ROM.
        .include "st_hardware.i"
        .include "demo_layout.i"

        .text
demo_start:
        move.w  #0x2700,sr
        lea     demo_start,sp           | the stack grows down from the program
        lea     DEMO_VARS,a0
        moveq   #63,d0
1:      clr.l   (a0)+
        dbra    d0,1b
        bsr     detect_ste
        move.b  d0,machine_ste
        bsr     stop_interrupts
        bsr     silence

        bsr     draw_screen
        move.l  #SCREEN,d0              | the Shifter shows our screen from the next frame
        tst.b   machine_ste
        beq.s   2f
        move.b  d0,VBASELO.w            | the STE's extra registers: low base byte,
        clr.b   LINEWID.w               | no line offset, no pixel scroll
        clr.b   HSCROLL.w
2:      lsr.l   #8,d0
        move.b  d0,VBASEMID.w
        lsr.w   #8,d0
        move.b  d0,VBASEHI.w
        clr.b   SHIFTMD.w
        move.b  #2,SYNCMODE.w

        bsr     build_text_colours
        move.b  #-1,pattern_theme       | the bars get built at the first frame
        lea     scroll_message(pc),a0
        move.l  a0,scroll_text_pointer
        move.w  #7,scroll_column
        tst.b   machine_ste
        beq.s   3f
        bsr     make_samples
3:      bsr     music_init
        bsr     keyboard_init

        move.l  #vbl,VEC_VBL.w
        move.l  #hbl,VEC_HBL.w
        move.l  #timer_a,VEC_TIMER_A.w
        move.l  #timer_b,VEC_TIMER_B.w
        move.l  #timer_d,VEC_TIMER_D.w
        move.l  #acia_interrupt,VEC_ACIA.w
        move.b  #MFP_VECTOR_BASE+8,VR.w         | software end of interrupt
        move.b  #1,TBDR.w                       | timer B: every line
        move.b  #(1 << CHA_TIMER_A) + (1 << CHA_TIMER_B),IMRA.w
        move.b  #(1 << CHA_TIMER_A) + (1 << CHA_TIMER_B),IERA.w
        move.b  #(1 << CHB_TIMER_D) + (1 << CHB_ACIA),IMRB.w
        move.b  #(1 << CHB_TIMER_D) + (1 << CHB_ACIA),IERB.w
        move.w  #0x2300,sr
| Waiting in STOP, the vertical blank starts at the same cycle every frame, which the top
| border's timer relies on; the music's ticks are played here, between interrupts.
idle:
        stop    #0x2300
        tst.b   music_due
        beq.s   idle
        sf      music_due
        bsr     music_tick
        bra.s   idle

        .include "rasters.i"
        .include "music.i"

| Every MFP channel off and nothing pending.
stop_interrupts:
        mfp_all_off
        rts

| The sound chip's voices off (ports A and B stay outputs); STE DMA sound stopped.
silence:
        ym_set  YM_MIXER,#0xFF
        ym_set  8,#0
        ym_set  9,#0
        ym_set  10,#0
        tst.b   machine_ste
        beq.s   1f
        clr.b   SNDCTL.w
1:      rts

| The keyboard processor: no mouse and no joystick reports, only keys.
keyboard_init:
        move.b  #ACIA_KEYBOARD_MODE,KEYCTL.w
        moveq   #0x12,d0                | disable mouse
        bsr     ikbd_send
        moveq   #0x1A,d0                | disable joysticks
        bra     ikbd_send

vbl:
        start_frame_timers
        movem.l d0-d7/a0-a3,-(sp)
        addq.l  #1,frame_count
        bsr     build_raster_table
        bsr     flow_logo_colours
        bsr     scroll_text
        bsr     draw_meters
        movem.l (sp)+,d0-d7/a0-a3
hbl:
        rte

| A key going down moves on to the next colour theme. Keyboard bytes arrive at the
| start of a frame too: the handler lowers the mask at once, so that the vertical blank,
| and the border timers it starts, do not wait for it.
acia_interrupt:
        move.w  #0x2300,sr
        move.l  d0,-(sp)
        btst    #ACIA_RX_FULL,KEYCTL.w
        beq.s   1f
        move.b  KEYBD.w,d0
        bsr     ikbd_key_down
        tst.l   d0
        bmi.s   1f
        addq.b  #1,theme
        andi.b  #THEMES-1,theme
1:      bclr    #CHB_ACIA,ISRB.w
        move.l  (sp)+,d0
        rte

        .include "scroller.i"
        .include "screen.i"
        .include "samples.i"
        .include "planar_draw.i"
        .include "quarv_logo.i"
        .include "ikbd.i"
        .include "detect_ste.i"
        .include "music_data.i"
        .include "quarv_font.i"
