; Seven-segment decoder: a computed goto into a dt table.
        processor 16f84
        include "P16F84.INC"
        radix   dec

COUNT   equ     0x20
SEGS    equ     6               ; PORTB drives the segments

        org     0
        goto    main

; W = digit 0..9 -> W = segment pattern
segtab  addwf   PCL,F
        dt      0x3F, 0x06, 0x5B, 0x4F, 0x66
        dt      0x6D, 0x7D, 0x07, 0x7F, 0x6F
message dt      "Hi!", 0

main    bsf     STATUS,RP0
        clrf    TRISB ^ 0x80
        bcf     STATUS,RP0
        clrf    COUNT
next    movf    COUNT,W
        call    segtab
        movwf   SEGS
        incf    COUNT,F
        movlw   10
        subwf   COUNT,W
        btfss   STATUS,Z
        goto    next
        clrf    COUNT
        goto    next
        end
