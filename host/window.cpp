// Placeholder until the host window lands.
