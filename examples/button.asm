; Button: a push button on RB0 lights the LED on RB1.
; Pressed, the button connects RB0 to ground; the
; chip's weak pull-ups hold RB0 high while it is up.
;
; In the simulator: Run (F9). With nothing on RB0 the
; pull-up holds it high (button up: RB1 low). Click
; RB0 on the pin diagram to press the button (RB1
; goes high), and again to let it go. A pass of the
; loop takes 5 or 6 cycles: the LED follows at once.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
BUTTON  equ     0               ; RB0: low while the button is pressed
LED     equ     1               ; RB1: high lights the LED

        org     0
Start   bsf     STATUS,RP0      ; bank 1: OPTION and TRISB
        bcf     OPTION_REG,NOT_RBPU ; weak pull-ups on PORTB inputs
        bcf     TRISB,1         ; RB1 an output: it drives the LED
        bcf     STATUS,RP0      ; back to bank 0
Poll    btfss   PORTB,BUTTON    ; button up? skip the next line
        goto    Pressed
        bcf     PORTB,LED       ; up: LED off
        goto    Poll
Pressed bsf     PORTB,LED       ; pressed: LED on
        goto    Poll
        end
