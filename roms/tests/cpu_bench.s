| origin: 0x20000
| A realistic mix for the processor benchmark, looping for ever: block copies with
| MOVEM.L and MOVE.L (An)+,(An)+, arithmetic and logic on registers and memory,
| shifts, DBcc loops, branches taken and not taken, subroutine calls, MULU and DIVU.
        .text
main:
        | Block copy: 256 bytes through eight registers at a time, then longs.
        lea     0x40000,a0
        lea     0x44000,a1
        moveq   #7,d7
copy_movem:
        movem.l (a0)+,d0-d6/a2
        movem.l d0-d6/a2,(a1)
        lea     32(a1),a1
        dbra    d7,copy_movem
        lea     0x40000,a0
        lea     0x48000,a1
        moveq   #63,d7
copy_long:
        move.l  (a0)+,(a1)+
        dbra    d7,copy_long

        | Arithmetic, logic and shifts on registers and memory.
        moveq   #0,d0
        move.l  #0x12345678,d1
        lea     0x50000,a2
        moveq   #31,d7
alu_loop:
        add.l   d1,d0
        sub.w   #3,d0
        and.l   #0x0FFFFFFF,d0
        or.w    d7,d0
        eor.l   d0,d1
        add.w   d0,(a2)
        sub.l   d1,4(a2)
        not.w   (a2)
        cmp.l   d0,d1
        bcs.s   no_carry
        addq.l  #1,d2
no_carry:
        tst.w   (a2)
        beq.s   was_zero
        subq.w  #1,d3
was_zero:
        lsl.l   #3,d1
        asr.w   #2,d0
        ror.l   d7,d1
        swap    d1
        move.w  d0,8(a2)
        dbra    d7,alu_loop

        | Subroutine calls.
        moveq   #15,d7
call_loop:
        bsr.s   count
        jsr     store
        dbra    d7,call_loop

        | Multiply and divide.
        move.w  #1234,d4
        mulu    #321,d4
        divu    #17,d4
        move.w  d1,d5
        muls    d0,d5
        bra     main

count:
        addq.l  #1,d6
        rts
store:
        move.l  d6,12(a2)
        rts
