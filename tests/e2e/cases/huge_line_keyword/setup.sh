# A 50 MB keyword without a space at the end of both traces.
{ head -c 50M /dev/zero | tr '\0' K; echo; } | tee -a t.tsf >> t.tdf
