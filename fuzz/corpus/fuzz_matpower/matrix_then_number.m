function mpc = again
mpc.baseMVA = 100;
mpc.bus = [1	3	0	0	0	0	1	1	0	230	1	1.1	0.9; 2	1	0	0	0	0	1	1	0	230	1	1.1	0.9];
mpc.gen = [1	10	0	10	-10	1	100	1	100	0];
mpc.branch = [1	2	0.01	0.1	0	0	0	0	0	0	1	-360	360];
mpc.areas = [1	1];
mpc.areas = 7;
