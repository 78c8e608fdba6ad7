;******************************************************************************
;   delay.asm - blink an LED on RB0 with a software delay loop
;   The classic beginner's program: cblock variables, nested decfsz loops.
;******************************************************************************

        list    p=16F84A
        #include <p16f84a.inc>
        __CONFIG _CP_OFF & _WDT_OFF & _PWRTE_ON & _XT_OSC

        cblock  0x0C
            d1                  ; inner loop counter
            d2                  ; outer loop counter
        endc

        org     0x000
Start
        bsf     STATUS,RP0      ; bank 1
        movlw   0FFH
        movwf   TRISA           ; port A all inputs
        clrf    TRISB           ; port B all outputs
        bcf     STATUS,RP0      ; back to bank 0

MainLoop:
        bsf     PORTB,0         ; LED on
        call    Delay
        bcf     PORTB,0         ; LED off
        call    Delay
        goto    MainLoop

; about 200 ms at 4 MHz
Delay   movlw   0C8H
        movwf   d2
Outer   movlw   0FFH
        movwf   d1
Inner:  decfsz  d1,F
        goto    $-1
        decfsz  d2, f
        goto    Outer
        return

        end
