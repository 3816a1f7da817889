| The song: eight bars in A minor, Am F C G Am F G E, at 125 beats a minute (six
| ticks of 50 Hz a sixteenth note). Bass on channel A, chord arpeggio on B, melody on C.

| Tone periods of MIDI notes NOTE_FIRST (C2) on: 125000 Hz (the chip's 2 MHz clock over
| 16) divided by the equal-tempered frequency, A4 = 440 Hz.
        .equ    NOTE_FIRST, 36
note_periods:
        .word   1911, 1804, 1703, 1607, 1517, 1432, 1351, 1276, 1204, 1136, 1073, 1012   | MIDI 36-47
        .word   956, 902, 851, 804, 758, 716, 676, 638, 602, 568, 536, 506   | MIDI 48-59
        .word   478, 451, 426, 402, 379, 358, 338, 319, 301, 284, 268, 253   | MIDI 60-71
        .word   239, 225, 213, 201, 190, 179, 169, 159, 150, 142, 134, 127   | MIDI 72-83
        .word   119, 113, 106, 100, 95, 89, 84, 80, 75, 71, 67, 63   | MIDI 84-95

| Each bar: chord, bass pattern, melody pattern, drum pattern.
song:
        .byte   CHORD_AM, BASS_OCTAVES, 0, DRUMS_BEAT
        .byte   CHORD_F, BASS_OCTAVES, 1, DRUMS_BEAT
        .byte   CHORD_C, BASS_OCTAVES, 2, DRUMS_BEAT
        .byte   CHORD_G, BASS_RUN, 3, DRUMS_FILL
        .byte   CHORD_AM, BASS_OCTAVES, 4, DRUMS_BEAT
        .byte   CHORD_F, BASS_OCTAVES, 5, DRUMS_BEAT
        .byte   CHORD_G, BASS_OCTAVES, 6, DRUMS_BEAT
        .byte   CHORD_E, BASS_RUN, 7, DRUMS_FILL
        .equ    SONG_BARS, 8

| Chords: the bass root, then the three notes of the arpeggio.
        .equ    CHORD_AM, 0
        .equ    CHORD_F, 1
        .equ    CHORD_C, 2
        .equ    CHORD_G, 3
        .equ    CHORD_E, 4
chords:
        .byte   45, 57, 60, 64          | A minor: A2; A3 C4 E4
        .byte   41, 53, 57, 60          | F major: F2; F3 A3 C4
        .byte   48, 55, 60, 64          | C major: C3; G3 C4 E4
        .byte   43, 55, 59, 62          | G major: G2; G3 B3 D4
        .byte   40, 52, 56, 59          | E major: E2; E3 G#3 B3

| Bass patterns, a byte a sixteenth: 0 nothing new, 1 the root, 2 the root an octave up.
        .equ    BASS_OCTAVES, 0
        .equ    BASS_RUN, 1
bass_patterns:
        .byte   1, 0, 2, 0, 1, 0, 2, 0, 1, 0, 2, 0, 1, 0, 2, 0
        .byte   1, 0, 2, 0, 1, 0, 2, 0, 1, 0, 2, 0, 1, 2, 1, 2

| Melody patterns: 0 the note goes on, 1 silence, else a MIDI note begins.
melody_patterns:
        .byte   76, 0, 0, 0, 81, 0, 79, 0, 76, 0, 0, 0, 72, 0, 74, 0   | E5 A5 G5 E5 C5 D5
        .byte   72, 0, 0, 0, 69, 0, 0, 0, 72, 0, 74, 0, 72, 0, 0, 0   | C5 A4 C5 D5 C5
        .byte   76, 0, 0, 0, 79, 0, 0, 0, 76, 0, 74, 0, 72, 0, 0, 0   | E5 G5 E5 D5 C5
        .byte   74, 0, 0, 0, 0, 0, 71, 0, 67, 0, 0, 0, 1, 0, 0, 0   | D5 B4 G4, rest
        .byte   76, 0, 76, 0, 81, 0, 0, 0, 83, 0, 84, 0, 83, 0, 81, 0   | E5 E5 A5 B5 C6 B5 A5
        .byte   81, 0, 0, 0, 79, 0, 77, 0, 76, 0, 0, 0, 72, 0, 0, 0   | A5 G5 F5 E5 C5
        .byte   74, 0, 0, 0, 79, 0, 0, 0, 77, 0, 76, 0, 74, 0, 0, 0   | D5 G5 F5 E5 D5
        .byte   71, 0, 0, 0, 76, 0, 0, 0, 80, 0, 0, 0, 83, 0, 0, 0   | B4 E5 G#5 B5

| Drum patterns: 0 nothing, else DRUM_KICK, DRUM_SNARE, DRUM_HAT.
        .equ    DRUMS_BEAT, 0
        .equ    DRUMS_FILL, 1
drum_patterns:
        .byte   1, 0, 3, 0, 2, 0, 3, 0, 1, 0, 3, 0, 2, 0, 3, 0
        .byte   1, 0, 3, 0, 2, 0, 3, 1, 0, 1, 3, 0, 2, 0, 2, 2

| A sine, 256 steps, amplitude 127: the STE drum samples are made from it.
sine_table:
        .byte   0, 3, 6, 9, 12, 16, 19, 22, 25, 28, 31, 34, 37, 40, 43, 46
        .byte   49, 51, 54, 57, 60, 63, 65, 68, 71, 73, 76, 78, 81, 83, 85, 88
        .byte   90, 92, 94, 96, 98, 100, 102, 104, 106, 107, 109, 111, 112, 113, 115, 116
        .byte   117, 118, 120, 121, 122, 122, 123, 124, 125, 125, 126, 126, 126, 127, 127, 127
        .byte   127, 127, 127, 127, 126, 126, 126, 125, 125, 124, 123, 122, 122, 121, 120, 118
        .byte   117, 116, 115, 113, 112, 111, 109, 107, 106, 104, 102, 100, 98, 96, 94, 92
        .byte   90, 88, 85, 83, 81, 78, 76, 73, 71, 68, 65, 63, 60, 57, 54, 51
        .byte   49, 46, 43, 40, 37, 34, 31, 28, 25, 22, 19, 16, 12, 9, 6, 3
        .byte   0, -3, -6, -9, -12, -16, -19, -22, -25, -28, -31, -34, -37, -40, -43, -46
        .byte   -49, -51, -54, -57, -60, -63, -65, -68, -71, -73, -76, -78, -81, -83, -85, -88
        .byte   -90, -92, -94, -96, -98, -100, -102, -104, -106, -107, -109, -111, -112, -113, -115, -116
        .byte   -117, -118, -120, -121, -122, -122, -123, -124, -125, -125, -126, -126, -126, -127, -127, -127
        .byte   -127, -127, -127, -127, -126, -126, -126, -125, -125, -124, -123, -122, -122, -121, -120, -118
        .byte   -117, -116, -115, -113, -112, -111, -109, -107, -106, -104, -102, -100, -98, -96, -94, -92
        .byte   -90, -88, -85, -83, -81, -78, -76, -73, -71, -68, -65, -63, -60, -57, -54, -51
        .byte   -49, -46, -43, -40, -37, -34, -31, -28, -25, -22, -19, -16, -12, -9, -6, -3
        .even
