; Ports set the old way, with tris and option.
        list    p=16c84
        #include <p16c84.inc>

        org     0
        movlw   0x00
        tris    PORTB           ; PORTB all outputs
        movlw   0x07
        option                  ; prescaler 1:256 to TMR0
loop    movf    TMR0,W
        movwf   PORTB
        goto    loop
        end
