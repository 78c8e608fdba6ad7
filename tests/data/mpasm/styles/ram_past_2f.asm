; Variables in the 16F84's larger RAM, 0x0C to 0x4F.
        list    p=16f84
        #include <p16f84.inc>

        cblock  0x0C
            buffer:0x30
            total
        endc

        org     0
        clrf    total
        incf    total,F
        end
