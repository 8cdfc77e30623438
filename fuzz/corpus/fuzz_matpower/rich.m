function [mpc] = rich
%RICH    A case written by hand, with what real files hold
%   and a second title line that the raw header keeps
%
%   The reader takes the two lines above as header lines 2 and 3.

%% MATPOWER Case Format : Version 2
mpc.version = '2';

%{
  A block comment: mpc.bus = [ 1 2 3 ]; is not read.
%}

%%-----  Power Flow Data  -----%%
mpc.baseMVA = 100;

%% bus data: 17 columns, the last four OPF results
%	bus_i	type	Pd	Qd	Gs	Bs	area	Vm	Va	baseKV	zone	Vmax	Vmin	lam_P	lam_Q	mu_Vmax	mu_Vmin
mpc.bus = [
	1, 3, 0, 0, 0, 0, 1, 1.06, 0, 132, 1, 1.06, 0.94, 0, 0, 0, 0;
	2	2	21.7	12.7	0	0	1	1.045	-4.98	132	1	1.1	0.9	12.5	0	0	0
	3	1	94.2	19	0	0	1	1.01	-12.72	132	1	1.1	0.9	0	0	0	0; 4	1	47.8	-3.9	0	0	2	1.019	-10.33	...
		132	2	1.1	0.9	0	0	0	0
	5	1	.5	1d1	1E-3	-19	2	1.02	-8.78	33	2	1.1	0.9	0	0	0	0   % comment after a row
	6	4	-0	0.1	0	0	2	1	0	33	2	1.1	0.9	0	0	0	0
];

%% generator data: 21 columns, ramp rates on the second
mpc.gen = [
	1	232.4	-16.9	10	0	1.06	100	1	332.4	0	0	0	0	0	0	0	0	0	0	0	0;
	2	40	42.4	50	-40	1.045	100	1	140	0	0	0	0	0	0	0	30	30	30	0	0;
	2	0	0	Inf	-Inf	1.045	100	0	Inf	-Inf	0	0	0	0	0	0	0	0	0	0	0;
];

%% branch data
mpc.branch = [
	1	2	0.01938	0.05917	0.0528	0	0	0	0	0	1	-360	360;
	1	5	0.05403	0.22304	0.0492	0	0	0	0	0	1	-360	360;
	2	3	0.04699	0.19797	0.0438	0	0	0	0	0	1	-30	30;
	2	3	0.04699	0.19797	0.0438	0	0	0	0.978	-1.5	1	-360	360;
	3	2	0.04699	0.19797	0.0438	9900	0	0	0	0	0	-360	360;
	4	5	0.06701	0.17103	0.0346	0	0	0	0.969	0	1	-360	360;
];

%% generator cost data
mpc.gencost = [
	2	0	0	3	0.0430293	20	0;
	2	0	0	3	0.25	20	0;
	2	0	0	3	0.01	40	0;
];

mpc.gentype = { 'ST'; 'NG'; 'SC' };
mpc.dcline = [
	3	5	1	10	10	0	0	1.01	1	0	0	0	0	0	0	0	0
];
sizes = {1, 2; ...  % a statement of its own, skipped
  3, 4};
mpc.bus_name = {'GLEN LYN'; 'O''HARE'; 'KANAWHA'; ...
  'TURNER'; 'BEAVER CREEK'; 'SPARE'};
mpc.areas = [1 1; 2 4];
