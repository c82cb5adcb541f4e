# Fails a test with MESSAGE, for tests whose tool is missing.
message(FATAL_ERROR "${MESSAGE}")
