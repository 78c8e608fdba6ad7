; A greeting kept in the data EEPROM.
        list    p=16f84a
        #include <p16f84a.inc>

        org     0
start   goto    start

        org     0x2100
        de      "Hello", 0
        end
