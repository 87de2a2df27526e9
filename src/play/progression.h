#pragma once
// Deaths, experience and levels, and the way between floors.

class RKEntity;

// Death function of the player: the game goes on showing the fallen player.
void PlayerDeath(RKEntity* entity);
// Death function of a guard: it is knocked out, pays its experience and stays as scenery.
void EnemyDeath(RKEntity* entity);
// Experience needed at the given level to reach the next one.
int ExperienceToLevel(int level);
// Gains at most one level and asks which statistic to raise; true when a level was gained.
// A close request during the choice abandons it, and no level is gained.
bool CheckLevelUp();
// Climbs to the next floor, restoring half the hit points; nothing on the top floor.
void NextFloor();
// Goes back down one floor; nothing on the first.
void PreviousFloor();
