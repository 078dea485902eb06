# (repair) full download and housekeeping
