# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a large sound document, every row filled, in the editor's own layout (so loading and
# saving it gives the same bytes back).
# Usage: awk -v patterns=64 -v rows=1024 -f make_big_tks.awk > big.tks
BEGIN {
    if (patterns == "") patterns = 64
    if (rows == "") rows = 1024
    split("C- C# D- D# E- F- F# G- G# A- A# B-", names, " ")
    split("periodic white", noise, " ")
    e = "\r\n"
    printf "<sound type=\"tracker\">%s<settings>%s<song>%s", e, e, e
    printf "<playrange start=\"0\" end=\"%d\" />%s", patterns * rows, e
    printf "<tempo tpb=\"4\" bpm=\"120\" />%s</song>%s<editor stepsize=\"1\" />%s</settings>%s", e, e, e, e
    for (ch = 0; ch < 4; ++ch) {
        printf "<machine channel=\"%d\" name=\"%s\" nextpattern=\"%d\">%s", ch, (ch < 3 ? "Voice" ch : "Noise"), 0, e
        for (p = 0; p < patterns; ++p) {
            printf "<pattern index=\"%d\" name=\"%03d\" rows=\"%d\">%s", p, p, rows, e
            for (r = 0; r < rows; ++r) {
                atten = (r + p) % 16
                if (ch == 3)
                    printf "<row index=\"%d\" frequency=\"%d\" noisetype=\"%s\" attenuation=\"%d\" />%s", r, r % 4, noise[r % 2 + 1], atten, e
                else {
                    note = (r * 7 + p) % 118
                    printf "<row index=\"%d\" note=\"%s%d\" attenuation=\"%d\" />%s", r, names[note % 12 + 1], int(note / 12), atten, e
                }
            }
            printf "</pattern>%s", e
        }
        printf "<sequence>%s", e
        for (p = 0; p < patterns; ++p)
            printf "<row index=\"%d\" pattern=\"%d\" />%s", p * rows, p, e
        printf "</sequence>%s</machine>%s", e, e
    }
    printf "</sound>%s", e
}
