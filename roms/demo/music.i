| The music player, one tick per MFP timer D interrupt. Each tick sets the YM2149's
| three voices: bass on A, the chord as a fast arpeggio on B, the melody on C. Drums: on
| an STE the kick and the snare are DMA sound samples; on an ST the kick is a falling
| tone on A and the snare noise on B. Hi-hats are noise on B on both.
|
| The vertical blank restarts timer D every frame, with a delay (prescale 200, data 241:
| 157132 cycles) that makes it fire once, at line 307: after the last raster line and
| the border tricks, before the next blank. A tick that came at any other moment could
| hold up the timers of the rasters and the borders. The interrupt only marks the tick;
| the main loop, which the interrupt wakes from its STOP, plays it at interrupt mask 3,
| so that the next vertical blank never waits for the player.

        .equ    TIMER_D_DATA, 241
        .equ    TIMER_D_CONTROL, 7          | prescale 200
        .equ    TICKS_PER_STEP, 6
        .equ    STEPS_PER_BAR, 16
        .equ    BASS_VOLUME, 14
        .equ    BASS_SUSTAIN, 10
        .equ    ARP_VOLUME, 9
        .equ    MELODY_VOLUME, 13
        .equ    MELODY_SUSTAIN, 9
        .equ    MELODY_DECAY_TICKS, 4       | ticks per volume step down (a power of 2)
        .equ    DRUM_KICK, 1
        .equ    DRUM_SNARE, 2
        .equ    DRUM_HAT, 3
        | Mixer (register 7): bits 0-2 tone off, bits 3-5 noise off for A, B, C; bits 6
        | and 7 keep both I/O ports as outputs (port A selects the floppy drive).
        .equ    MIXER_TONES, 0xC0 + 0x38    | tones A, B, C, no noise
        .equ    MIXER_NOISE_B, 0xC0 + 0x28 + 0x02   | tones A and C, noise on B

        .macro  ym_set register, value
        move.b  #\register,GISELECT.w
        move.b  \value,GIWRITE.w
        .endm

timer_d:
        st      music_due
        bclr    #CHB_TIMER_D,ISRB.w
        rte

| One tick of the player, from the main loop.
music_tick:
        tst.w   music_tick_count
        bne.s   1f
        bsr     music_step_events
1:      bsr     music_voices
        addq.w  #1,music_tick_count
        cmpi.w  #TICKS_PER_STEP,music_tick_count
        blo.s   2f
        clr.w   music_tick_count
        addq.w  #1,music_step
        cmpi.w  #STEPS_PER_BAR,music_step
        blo.s   2f
        clr.w   music_step
        addq.w  #1,music_bar
        cmpi.w  #SONG_BARS,music_bar
        blo.s   2f
        clr.w   music_bar
2:      rts

| The notes and drums that begin on this sixteenth.
music_step_events:
        lea     song(pc),a0
        move.w  music_bar,d0
        lsl.w   #2,d0
        adda.w  d0,a0                   | the bar: chord, bass, melody, drums
        moveq   #0,d0
        move.b  (a0)+,d0
        lsl.w   #2,d0
        lea     chords(pc),a1
        adda.w  d0,a1
        move.l  a1,chord_pointer
        move.w  music_step,d1

        moveq   #0,d0                   | bass
        move.b  (a0)+,d0
        lsl.w   #4,d0
        add.w   d1,d0
        lea     bass_patterns(pc),a1
        move.b  0(a1,d0.w),d0
        beq.s   2f
        moveq   #0,d2
        move.l  chord_pointer,a1
        move.b  (a1),d2
        subq.b  #1,d0
        beq.s   1f
        addi.w  #12,d2                  | an octave up
1:      move.w  d2,bass_note
        move.w  #BASS_VOLUME,bass_volume

2:      moveq   #0,d0                   | melody
        move.b  (a0)+,d0
        lsl.w   #4,d0
        add.w   d1,d0
        lea     melody_patterns(pc),a1
        moveq   #0,d2
        move.b  0(a1,d0.w),d2
        beq.s   4f
        cmpi.b  #1,d2
        bne.s   3f
        clr.w   lead_volume             | silence
        bra.s   4f
3:      move.w  d2,lead_note
        move.w  #MELODY_VOLUME,lead_volume
        clr.w   lead_age

4:      moveq   #0,d0                   | drums
        move.b  (a0)+,d0
        lsl.w   #4,d0
        add.w   d1,d0
        lea     drum_patterns(pc),a1
        moveq   #0,d2
        move.b  0(a1,d0.w),d2
        beq.s   6f
        move.w  d2,drum_kind
        clr.w   drum_ticks
        tst.b   machine_ste
        beq.s   6f
        lea     SAMPLE_KICK,a0
        cmpi.w  #DRUM_KICK,d2
        beq.s   5f
        lea     SAMPLE_SNARE,a0
        cmpi.w  #DRUM_SNARE,d2
        bne.s   6f
5:      bsr     play_sample
6:      rts

| The three voices for this tick, and the envelopes moving on.
music_voices:
        move.l  chord_pointer,a1        | B: the arpeggio, a chord note each tick
        move.w  arp_position,d0
        moveq   #0,d1
        move.b  1(a1,d0.w),d1
        addq.w  #1,d0
        cmpi.w  #3,d0
        blo.s   1f
        moveq   #0,d0
1:      move.w  d0,arp_position
        bsr     note_period
        ym_set  2,d1
        lsr.w   #8,d1
        ym_set  3,d1
        moveq   #ARP_VOLUME,d3
        move.b  #MIXER_TONES,d2

        move.w  bass_note,d1            | A: the bass, or the kick on an ST
        bsr     note_period
        move.w  bass_volume,channel_volumes
        cmpi.w  #BASS_SUSTAIN,bass_volume
        bls.s   2f
        subq.w  #1,bass_volume
2:      move.w  drum_kind,d0
        beq.s   9f
        move.w  drum_ticks,d0
        addq.w  #1,drum_ticks
        cmpi.w  #DRUM_HAT,drum_kind
        beq.s   4f
        tst.b   machine_ste             | kick and snare: DMA sound on an STE
        bne.s   9f
        cmpi.w  #DRUM_SNARE,drum_kind
        beq.s   3f
        cmpi.w  #KICK_TICKS,d0
        bhs.s   9f
        lea     kick_volumes(pc),a0
        move.b  0(a0,d0.w),channel_volumes+1
        add.w   d0,d0
        lea     kick_periods(pc),a0
        move.w  0(a0,d0.w),d1
        bra.s   9f
3:      cmpi.w  #SNARE_TICKS,d0         | noise on B: the snare on an ST, the hi-hat
        bhs.s   9f
        lea     snare_volumes(pc),a0
        moveq   #SNARE_NOISE,d2
        bra.s   5f
4:      cmpi.w  #HAT_TICKS,d0
        bhs.s   9f
        lea     hat_volumes(pc),a0
        moveq   #HAT_NOISE,d2
5:      move.b  0(a0,d0.w),d3
        ym_set  6,d2
        move.b  #MIXER_NOISE_B,d2
9:      ym_set  0,d1
        lsr.w   #8,d1
        ym_set  1,d1

        move.w  lead_note,d1            | C: the melody
        bsr     note_period
        ym_set  4,d1
        lsr.w   #8,d1
        ym_set  5,d1
        addq.w  #1,lead_age
        moveq   #MELODY_DECAY_TICKS-1,d0
        and.w   lead_age,d0
        bne.s   10f
        cmpi.w  #MELODY_SUSTAIN,lead_volume
        bls.s   10f
        subq.w  #1,lead_volume
10:     ym_set  7,d2
        move.b  d3,d0
        ext.w   d0
        move.w  d0,channel_volumes+2
        move.w  lead_volume,channel_volumes+4
        ym_set  8,channel_volumes+1
        ym_set  9,d3
        ym_set  10,lead_volume+1
        rts

        .equ    KICK_TICKS, 3
        .equ    SNARE_TICKS, 4
        .equ    HAT_TICKS, 2
        .equ    SNARE_NOISE, 12             | noise periods
        .equ    HAT_NOISE, 3
kick_periods:   .word   1136, 2273, 3034        | A2, A1, E1: a falling boom in the song's key
kick_volumes:   .byte   15, 13, 10
snare_volumes:  .byte   14, 11, 8, 5
hat_volumes:    .byte   10, 6
        .even

| In: d1.w = MIDI note. Out: d1.w = its tone period. Keeps the other registers.
note_period:
        move.l  a0,-(sp)
        subi.w  #NOTE_FIRST,d1
        add.w   d1,d1
        lea     note_periods(pc),a0
        move.w  0(a0,d1.w),d1
        move.l  (sp)+,a0
        rts

| Starts the STE's DMA sound on the sample at a0 (SAMPLE_BYTES long), mono, once.
play_sample:
        move.l  a0,d0
        clr.b   SNDCTL.w
        move.b  d0,SNDSTARTLO.w
        lsr.l   #8,d0
        move.b  d0,SNDSTARTMID.w
        lsr.l   #8,d0
        move.b  d0,SNDSTARTHI.w
        move.l  a0,d0
        addi.l  #SAMPLE_BYTES,d0
        move.b  d0,SNDENDLO.w
        lsr.l   #8,d0
        move.b  d0,SNDENDMID.w
        lsr.l   #8,d0
        move.b  d0,SNDENDHI.w
        move.b  #1,SNDCTL.w
        rts

| Music at its start, every voice silent.
music_init:
        clr.w   music_tick_count
        clr.w   music_step
        clr.w   music_bar
        clr.w   bass_volume
        clr.w   lead_volume
        clr.w   drum_kind
        clr.w   arp_position
        move.w  #57,bass_note
        move.w  #69,lead_note
        lea     chords(pc),a0
        move.l  a0,chord_pointer
        rts
