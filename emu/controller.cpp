// Placeholder until the controller lands.
