; Clock: TMR0 interrupts keep the time in seconds and
; minutes; PORTB shows the seconds in binary. TMR0
; counts instruction cycles through the prescaler at
; 1:16, so it overflows every 4096 cycles, and 250
; overflows make a second with a 4.096 MHz crystal
; (1.024 s at 4 MHz).
;
; In the simulator: set Clock to 4.096 MHz in the
; Registers view and Run (F9). T0IF sets every 4096
; cycles and the interrupt at 0x004 counts it down in
; ticks; seconds goes up every 1,024,000 cycles (Time
; 1000 ms more) and RB0-RB7 count it in binary. A
; breakpoint (F2) on "incf seconds" stops there once
; a second.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
        cblock  0x0C
            wSave               ; W while the interrupt runs
            statusSave          ; STATUS while the interrupt runs
            ticks               ; overflows left in this second
            seconds             ; 0 to 59
            minutes             ; 0 to 255, then 0 again
        endc
TICKS   equ     250             ; TMR0 overflows in a second
MINUTE  equ     60              ; seconds in a minute
TIMING  equ     B'11010011'     ; OPTION: TMR0 on cycles, 1:16
TIMERON equ     B'10100000'     ; INTCON: GIE and T0IE set

        org     0
        goto    Start           ; past the interrupt vector
        org     4
Tick    movwf   wSave           ; the interrupted code's W...
        swapf   STATUS,W        ; ...and STATUS: swapf leaves Z alone
        movwf   statusSave
        bcf     INTCON,T0IF     ; seen; TMR0 counts on by itself
        decfsz  ticks,F
        goto    Restore         ; not a second yet
        movlw   TICKS
        movwf   ticks
        incf    seconds,F       ; a second more
        movlw   MINUTE
        subwf   seconds,W
        btfss   STATUS,Z        ; 60 seconds?
        goto    Restore
        clrf    seconds
        incf    minutes,F       ; a minute more
Restore swapf   statusSave,W    ; STATUS back as it was
        movwf   STATUS
        swapf   wSave,F         ; W back, again without changing Z
        swapf   wSave,W
        retfie                  ; return and set GIE again

Start   bsf     STATUS,RP0      ; bank 1: OPTION and TRISB
        movlw   TIMING
        movwf   OPTION_REG
        clrf    TRISB           ; PORTB all outputs
        bcf     STATUS,RP0      ; back to bank 0
        movlw   TICKS
        movwf   ticks
        clrf    seconds
        clrf    minutes
        clrf    TMR0            ; the first second starts now
        movlw   TIMERON
        movwf   INTCON          ; from here on TMR0 interrupts
Show    movf    seconds,W       ; the main loop only shows the time
        movwf   PORTB
        goto    Show
        end
