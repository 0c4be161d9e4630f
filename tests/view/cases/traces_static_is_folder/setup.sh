mkdir folder.tsf
: > run.tdf
