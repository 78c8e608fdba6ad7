; Two-digit display with descriptive names longer than a
; program keeps.
        processor 16F84
        #include <P16F84.INC>

        cblock  0x10
            segment_pattern_tens
            segment_pattern_units
            DisplayDigitSelect  ; which digit is lit
        endc

DIGIT_TENS_PIN  equ 6
DIGIT_UNITS_PIN equ 7

        org     0
InitialiseThePorts
        bsf     STATUS,RP0
        clrf    TRISB
        bcf     STATUS,RP0
        movlw   0x3F            ; 0
        movwf   segment_pattern_tens
        movlw   0x06            ; 1
        movwf   segment_pattern_units
ShowTheTensDigit
        movf    segment_pattern_tens,W
        movwf   PORTB
        bsf     DisplayDigitSelect,DIGIT_TENS_PIN
        bcf     DisplayDigitSelect,DIGIT_UNITS_PIN
ShowTheUnitsDigit
        movf    segment_pattern_units,W
        movwf   PORTB
        btfsc   DisplayDigitSelect,DIGIT_TENS_PIN
        goto    ShowTheTensDigit
        goto    ShowTheUnitsDigit
        end
