| Telling an STE from an ST: the STE's DMA sound registers answer, while on an ST any
| access to their page raises a bus error.

| Out: d0.l = 1 and Z clear on an STE, 0 and Z set on an ST. Keeps the other registers.
detect_ste:
        movem.l a0-a1,-(sp)
        move.w  sr,-(sp)
        ori.w   #0x0700,sr
        move.l  VEC_BUS_ERROR.w,a0
        move.l  sp,a1
        move.l  #1f,VEC_BUS_ERROR.w
        moveq   #0,d0
        tst.b   SNDCTL.w
        moveq   #1,d0
1:      move.l  a1,sp
        move.l  a0,VEC_BUS_ERROR.w
        move.w  (sp)+,sr
        movem.l (sp)+,a0-a1
        tst.l   d0
        rts
