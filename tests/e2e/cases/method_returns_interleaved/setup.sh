# "ME" and "MR" interleaved, more returns than entries.
awk 'BEGIN { for (i = 0; i < 200000; i++) print (i % 3 ? "MR " : "ME 4 0") }' >> t.tdf
