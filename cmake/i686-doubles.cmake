# Doubles computed as doubles on i686: by default the compiler keeps them in the x87 unit's
# 64-bit mantissa, so a log's "0.35" minutes times 60 truncates to 20 s where double
# arithmetic gives 21, and a month total drifts a second a session. SSE2 rounds every
# operation to double. Tolvane.exe then needs a processor with SSE2 (Pentium 4, Athlon 64
# and every later one). Both 32-bit builds, the shipped one and the one its core's tests run
# in, take these flags from here.
set(TOLVANE_DOUBLE_FLAGS "-msse2 -mfpmath=sse")
