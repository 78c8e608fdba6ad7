;==============================================================
; Seconds counter on PORTB driven by the TMR0 interrupt.
; Saves W and STATUS in the usual way on entry to the handler.
;==============================================================
        list    p=16F84A
        #include <p16f84a.inc>
        __CONFIG _CP_OFF & _WDT_OFF & _PWRTE_ON & _XT_OSC

        cblock  0x0C
            W_TEMP              ; W saved by the interrupt handler
            STATUS_TEMP         ; STATUS saved by the interrupt handler
            tick_count
            seconds_counter
            ButtonPressed       ; flags set by the main loop
        endc

TICKS_PER_SECOND equ .61        ; 4 MHz, prescaler 1:64

        org     0x000
        goto    Main_Setup

        org     0x004
Interrupt_Handler
        movwf   W_TEMP
        swapf   STATUS,W
        movwf   STATUS_TEMP
        bcf     INTCON,T0IF
        decfsz  tick_count,F
        goto    Restore_Context
        movlw   TICKS_PER_SECOND
        movwf   tick_count
        incf    seconds_counter,F
Restore_Context
        swapf   STATUS_TEMP,W
        movwf   STATUS
        swapf   W_TEMP,F
        swapf   W_TEMP,W
        retfie

Main_Setup
        bsf     STATUS,RP0
        clrf    TRISB
        movlw   b'00000101'     ; TMR0 from the clock, prescaler 1:64
        movwf   OPTION_REG
        bcf     STATUS,RP0
        movlw   TICKS_PER_SECOND
        movwf   tick_count
        clrf    seconds_counter
        clrf    ButtonPressed
        bsf     INTCON,T0IE
        bsf     INTCON,GIE
Main_Loop
        movf    seconds_counter,W
        movwf   PORTB
        btfss   ButtonPressed,0
        goto    Main_Loop
        clrf    seconds_counter
        bcf     ButtonPressed,0
        goto    Main_Loop

        end
