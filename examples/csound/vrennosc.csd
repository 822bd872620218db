; vrennosc: the sensor hub's readings in Csound.
;
; Run it in real time; without a sound card, -+rtaudio=null keeps the clock running:
;   csound -odac vrennosc.csd
;   csound -odac -+rtaudio=null vrennosc.csd
; It listens on UDP port 9876, where the bridge sends, and prints each message as it arrives.
;
; /vrenn/A0-light (one value), /vrenn/I2C-accel (three) and /vrenn/UART-gps (two) stand for your
; own sensors: put their addresses, /vrenn/<connector>-<name>, in their place, with one "f" in
; the type string for each value the sensor sends.
<CsoundSynthesizer>
<CsOptions>
-odac -d
</CsOptions>
<CsInstruments>
sr = 44100
ksmps = 64
nchnls = 2
0dbfs = 1

giOsc OSCinit 9876

instr 1
  prints "vrennosc: listening on port 9876\n"
  kLight init 0
  kX init 0
  kY init 0
  kZ init 0
  kLat init 0
  kLon init 0

  ; OSClisten takes one message per call: call it until none is left. printks prints at most
  ; once per control period (64 samples), so it skips a reading that follows another of the same
  ; sensor that closely; the values themselves are all taken.
light:
  kGot OSClisten giOsc, "/vrenn/A0-light", "f", kLight
  if kGot == 0 kgoto accel
  printks "/vrenn/A0-light %f\n", 0, kLight
  kgoto light
accel:
  kGot OSClisten giOsc, "/vrenn/I2C-accel", "fff", kX, kY, kZ
  if kGot == 0 kgoto gps
  printks "/vrenn/I2C-accel %f %f %f\n", 0, kX, kY, kZ
  kgoto accel
gps:
  kGot OSClisten giOsc, "/vrenn/UART-gps", "ff", kLat, kLon
  if kGot == 0 kgoto done
  printks "/vrenn/UART-gps %f %f\n", 0, kLat, kLon
  kgoto gps
done:
  ; Your own mapping goes here, e.g. the light (0 to 1) as a tone from 200 to 2000 Hz:
  ; aTone oscili 0.1, 200 * 10 ^ kLight
  ; outs aTone, aTone
endin
</CsInstruments>
<CsScore>
i 1 0 z
</CsScore>
</CsoundSynthesizer>
