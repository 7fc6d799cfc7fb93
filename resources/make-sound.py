#!/usr/bin/env python3
"""Writes sound.wav, the change sound Quorvel plays by default: a soft
two-note chime, 16-bit mono at 22050 Hz, a little over half a second.
Run it from this folder after changing the notes: python3 make-sound.py"""
import math
import struct
import wave

RATE = 22050
NOTES = [(0.00, 880.0), (0.12, 1318.5)]  # start (s), frequency (Hz): A5, E6
LENGTH = 0.65

frames = bytearray()
count = int(RATE * LENGTH)
for i in range(count):
    t = i / RATE
    value = 0.0
    for start, freq in NOTES:
        if t >= start:
            age = t - start
            attack = min(1.0, age / 0.005)
            value += 0.35 * attack * math.exp(-age * 7.0) * math.sin(2 * math.pi * freq * age)
    # Fade the last 30 ms to true silence so the file ends in zero samples.
    value *= min(1.0, (count - 1 - i) / (RATE * 0.03))
    frames += struct.pack("<h", int(round(value * 32767)))

with wave.open("sound.wav", "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(bytes(frames))
