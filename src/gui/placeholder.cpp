// The page logic lives beside this file.
