| Where the demo keeps things in RAM, and the shape of its screen.
|
| The screen starts at line 34, the first line the Shifter shows once the top border
| is open, and ends at line 306, where the opened bottom border ends: 272 lines of
| 160 bytes. Screen row r is frame line 34 + r.

        .equ    DEMO_VARS, 0x30000          | variables, below
        .equ    RASTER_TABLE, 0x30100       | per line: colour 0, colour 1 (RASTER_LINES longs)
        .equ    BAR_PATTERN, 0x30600        | BAR_PATTERN_WORDS background colours
        .equ    TEXT_COLOURS, 0x30C00       | per screen row: colour 1
        .equ    SAMPLE_KICK, 0x31000        | STE DMA sound samples, signed 8-bit mono
        .equ    SAMPLE_SNARE, 0x31800
        .equ    SAMPLE_BYTES, 1878          | 0.15 seconds at 12517 Hz
        .equ    SCREEN, 0x70000             | 256-byte aligned, below 512 KB

        .equ    FIRST_LINE, 34              | frame line of screen row 0
        .equ    SCREEN_ROWS, 272
        .equ    RASTER_LINES, SCREEN_ROWS + 1   | the last entry: the line after the picture
        .equ    SCREEN_SIZE, SCREEN_ROWS * 160

| Variables.
        .equ    frame_count, DEMO_VARS + 0      | long: vertical blanks
        .equ    raster_pointer, DEMO_VARS + 4   | long: next RASTER_TABLE entry
        .equ    machine_ste, DEMO_VARS + 8      | byte: set on an STE
        .equ    theme, DEMO_VARS + 9            | byte: colour theme, 0-3, changed by keys
        .equ    pattern_theme, DEMO_VARS + 10   | byte: the theme BAR_PATTERN holds
        .equ    ikbd_skip, DEMO_VARS + 11       | byte: keyboard packet bytes to come
        .equ    scroll_text_pointer, DEMO_VARS + 12 | long: character being drawn in
        .equ    scroll_column, DEMO_VARS + 16   | word: its next font column, 7-0
        .equ    logo_phase, DEMO_VARS + 18      | word
        .equ    music_tick_count, DEMO_VARS + 20 | word: 0 to TICKS_PER_STEP - 1
        .equ    music_step, DEMO_VARS + 22      | word: 0-15 in the bar
        .equ    music_bar, DEMO_VARS + 24       | word: index into the song
        .equ    bass_note, DEMO_VARS + 26       | word: MIDI note
        .equ    bass_volume, DEMO_VARS + 28     | word
        .equ    arp_position, DEMO_VARS + 30    | word: 0-2
        .equ    lead_note, DEMO_VARS + 32       | word
        .equ    lead_volume, DEMO_VARS + 34     | word
        .equ    lead_age, DEMO_VARS + 36        | word: ticks since the note began
        .equ    drum_kind, DEMO_VARS + 38       | word: DRUM_...
        .equ    drum_ticks, DEMO_VARS + 40      | word: ticks of the drum played so far
        .equ    chord_pointer, DEMO_VARS + 42   | long: the bar's chord
        .equ    meter_levels, DEMO_VARS + 46    | 3 words: volumes of A, B, C as shown
        .equ    channel_volumes, DEMO_VARS + 52 | 3 words: volumes written last
        .equ    music_due, DEMO_VARS + 58       | byte: set by timer D, a tick to play
