// Received-text processor: being written.
