// Hosts the precompiled header that the test programs share.
