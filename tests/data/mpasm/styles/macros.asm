; Running light with macros: arguments, local labels, a
; macro calling a macro, and a condition inside a macro.
        list    p=16c84, r=dec
        include "p16c84.inc"

        cblock  0x0C
            d1, d2
            pattern
        endc

; Selects a bank, 0 or 1, by its number.
bank    macro   number
        if number == 0
        bcf     STATUS,RP0
        else
        bsf     STATUS,RP0
        endif
        endm

; Moves a literal into a register through W.
movlf   macro   value, register
        movlw   value
        movwf   register        ; W is changed
        endm

; Waits about outer*256*3 cycles.
wait_ms macro   outer
        local   again, inner
        movlf   outer, d1
again   clrf    d2
inner   decfsz  d2,F
        goto    inner
        decfsz  d1,F
        goto    again
        endm

        org     0
        bank    1
        clrf    TRISB
        bank    0
        movlf   b'00000001', pattern
shift   movf    pattern,W
        movwf   PORTB
        wait_ms 200             ; a fifth of a second
        rlf     pattern,F
        btfss   STATUS,C
        goto    shift
        movlf   1, pattern
wait_ms 50
        goto    shift
        end
