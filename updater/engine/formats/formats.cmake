# (formats) files of the patch server
