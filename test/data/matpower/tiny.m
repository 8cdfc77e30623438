function mpc = tiny
%TINY    three buses for the tests
%   second title line

mpc.version = '2';
mpc.baseMVA = 100;
mpc.bus = [
	1	3	0	0	0	0	1	1	0	230	1	1.1	0.9;
	2	2	90	30	0	0	1	1	0	230	1	1.1	0.9;
	3	1	100	35	0	0	1	1	0	230	1	1.1	0.9;
];
mpc.gen = [
	1	0	0	300	-300	1	100	1	250	10;
	2	163	0	300	-300	1	100	1	300	10;
];
mpc.branch = [
	1	2	0	0.0576	0	250	250	0	0	0	1	-360	360;
	2	3	0.0119	0.1008	0.209	150	150	0	0	0	1	-360	360;
	3	1	0.0085	0.072	0.149	250	250	0	0	0	1	-360	360;
];
mpc.areas = [
	1	1;
];
mpc.bus_name = { 'ONE'; 'TWO'; 'THREE' };
