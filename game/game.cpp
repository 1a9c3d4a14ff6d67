// Placeholder until the game lands.
