# cmake -DOUTPUT=file -DSIZE=n -P MakeSample.cmake: n bytes of text standing in
# for a patch package (the check reads any bytes).
set(line "ZEP 8 hotfix sample package line for the signature check tests.\n")
string(LENGTH "${line}" length)
math(EXPR repeats "${SIZE} / ${length} + 1")
string(REPEAT "${line}" ${repeats} text)
string(SUBSTRING "${text}" 0 ${SIZE} text)
file(WRITE ${OUTPUT} "${text}")
