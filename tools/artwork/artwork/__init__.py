"""Artwork of ZEFOLauncher and TavrinMigration, drawn from code."""
