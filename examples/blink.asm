; Blink: the LED on RB1 is on for 250 ms, off for
; 250 ms, timed by a delay subroutine (4 MHz clock).
;
; In the simulator: Run (F9) and watch RB1 on the pin
; diagram. It changes every 250,009 cycles: Cycles
; and Time in the Registers view. Step Over (F8) on
; "call Delay" runs a whole delay as one step; Step
; Into (F7) goes through it an instruction at a time.

        list    p=16C84
        #include <p16c84.inc>
        radix   dec
        cblock  0x0C
            msLeft              ; milliseconds still to wait
            spins               ; passes left in this millisecond
        endc
LEDMASK equ     B'00000010'     ; the PORTB bit of the LED: RB1
HALF    equ     250             ; milliseconds on, then off
MSPINS  equ     249             ; 249 passes of 4 cycles + 4 = 1 ms

        org     0
Start   bsf     STATUS,RP0      ; bank 1, where TRISB is
        bcf     TRISB,1         ; RB1 an output: it drives the LED
        bcf     STATUS,RP0      ; back to bank 0
Blink   movlw   LEDMASK
        xorwf   PORTB,F         ; the LED changes: on, off, on...
        movlw   HALF
        call    Delay           ; wait HALF milliseconds
        goto    Blink           ; 1000 x HALF + 9 cycles a pass

; Delay waits W milliseconds (W = 0 waits 256): it
; takes 1000 x W + 2 cycles, its return included.
Delay   movwf   msLeft
Ms      movlw   MSPINS          ; one millisecond starts
        movwf   spins
Spin    nop                     ; pads a pass to 4 cycles
        decfsz  spins,F
        goto    Spin
        decfsz  msLeft,F        ; another millisecond gone
        goto    Ms
        return
        end
