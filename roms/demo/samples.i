| The STE's drum samples, computed at start: 8-bit signed mono at 12517 Hz (DMA sound
| mode 1), SAMPLE_BYTES each. The phase of a sine is kept in 16.16 form over the
| 256-step sine_table.

        .equ    SAMPLE_MODE, 0x81           | mono, 12517 Hz
        | Phase steps: frequency x 256 x 65536 / 12517.
        .equ    KICK_START_STEP, 201052     | 150 Hz, falling to
        .equ    KICK_END_STEP, 60316        | 45 Hz
        .equ    SNARE_TONE_STEP, 254666     | 190 Hz

make_samples:
        lea     sine_table(pc),a1

        | The kick: a sine whose pitch falls fast from 150 Hz towards 45 Hz while it
        | fades out.
        lea     SAMPLE_KICK,a0
        move.l  #KICK_START_STEP,d2
        moveq   #0,d3                   | phase
        move.w  #0x7F00,d4              | amplitude, 8.8
        moveq   #9,d5
        move.w  #SAMPLE_BYTES-1,d7
1:      move.l  d3,d0
        swap    d0
        andi.w  #0xFF,d0
        move.b  0(a1,d0.w),d0
        ext.w   d0
        move.w  d4,d1
        lsr.w   #8,d1
        muls    d1,d0
        asr.w   #7,d0
        move.b  d0,(a0)+
        add.l   d2,d3
        move.l  d2,d0                   | the pitch falls by 1/512 a sample
        lsr.l   d5,d0
        sub.l   d0,d2
        cmpi.l  #KICK_END_STEP,d2
        bhs.s   2f
        move.l  #KICK_END_STEP,d2
2:      move.w  d4,d0                   | and so does the amplitude
        lsr.w   d5,d0
        sub.w   d0,d4
        dbra    d7,1b

        | The snare: noise from a 16-bit shift register with feedback, fading fast,
        | over a short 190 Hz tone.
        lea     SAMPLE_SNARE,a0
        move.l  #SNARE_TONE_STEP,d2
        moveq   #0,d3                   | tone phase
        move.w  #0x7F00,d4              | noise amplitude, 8.8
        move.w  #0xACE1,d5              | shift register
        move.w  #0x6000,d6              | tone amplitude, 8.8
        move.w  #SAMPLE_BYTES-1,d7
3:      lsr.w   #1,d5
        bcc.s   4f
        eori.w  #0xB400,d5
4:      move.b  d5,d0                   | noise
        ext.w   d0
        move.w  d4,d1
        lsr.w   #8,d1
        muls    d1,d0
        asr.w   #8,d0
        move.l  d3,d1                   | tone
        swap    d1
        andi.w  #0xFF,d1
        move.b  0(a1,d1.w),d1
        ext.w   d1
        move.l  d6,-(sp)
        lsr.w   #8,d6
        muls    d6,d1
        move.l  (sp)+,d6
        asr.w   #8,d1
        add.w   d1,d0                   | at most 63 + 47: no clipping
        move.b  d0,(a0)+
        add.l   d2,d3
        move.w  d4,d0                   | the noise fades by 1/256 a sample,
        lsr.w   #8,d0
        sub.w   d0,d4
        move.w  d6,d0                   | the tone by 1/128
        lsr.w   #7,d0
        sub.w   d0,d6
        dbra    d7,3b

        move.b  #SAMPLE_MODE,SNDMODE.w
        rts
