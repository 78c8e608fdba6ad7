; Reset and interrupt vectors, TMR0 interrupt with context save, bank 1 names.
        processor 16F84A
        #include <p16f84a.inc>
        errorlevel -302

WTEMP      equ 0x0C
STATTEMP equ 0x0D
TICKS       equ 0x0E
LED         equ 1

            org 0
            goto    init
            org 4
isr:        movwf   WTEMP
            swapf   STATUS,W
            movwf   STATTEMP
            bcf     INTCON,T0IF
            incf    TICKS,f
            movlw   1 << LED
            xorwf   PORTB,f
            swapf   STATTEMP,W
            movwf   STATUS
            swapf   WTEMP,F
            swapf   WTEMP,W
            retfie

init        bsf     STATUS,RP0
            movlw   b'10000111'         ; prescaler 1:256 on TMR0
            movwf   OPTION_REG
            bcf     TRISB,LED
            bcf     STATUS,RP0
            clrf    TMR0
            bsf     INTCON,TMR0IE
            bsf     INTCON,GIE
idle        sleep
            nop
            goto    idle
            end
