# (road) regular update
