# A million "ME" records never returned from, then a result for the last
# method entered: check 4 is counted.
awk 'BEGIN { for (i = 0; i < 1000000; i++) print "ME 4 0"; print "ST 65\nNO \"done\"" }' >> t.tdf
