; Clears a buffer through FSR, then fills it with a count:
; the buffer's address is a literal before it is a register.
        list    p=16f84a
        #include <p16f84a.inc>

BUFFER  equ     0x20            ; sixteen bytes
LENGTH  equ     .16
        cblock  0x0C
            index
        endc

        org     0
        movlw   BUFFER          ; the first byte's address
        movwf   FSR
        movlw   LENGTH
        movwf   index
clear   clrf    INDF
        incf    FSR,F
        decfsz  index,F
        goto    clear
        movlw   BUFFER
        movwf   FSR
        movlw   LENGTH
        movwf   index
count   movf    index,W
        movwf   INDF
        incf    FSR,F
        decfsz  index,F
        goto    count
        movf    BUFFER,W        ; the first byte: 16
        movwf   PORTB
        clrf    BUFFER
done    goto    done
        end
