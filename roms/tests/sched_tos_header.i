| The start of a TOS image as the ROM list recognises it: the branch over the header
| ($602E), version 1.00, the reset PC (the reset copies these first 8 bytes to RAM, so
| the long at 0 becomes the initial stack pointer: the code sets its own) and the base
| address $FC0000. The including program continues at `start`, offset $30.
        .text
        bra.s   start
        .word   0x0100
        .long   start
        .long   0xFC0000
        .org    0x30
