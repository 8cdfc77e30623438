function mpc = evaluated
%EVALUATED  the statements a case may hold after its matrices
mpc.version = '2';
mpc.baseMVA = 50/3;
mpc.bus = [
	1	3	0	0	0	0	1	1	0	135/sqrt(3)	1	1.1	0.9;
	2	1	2^-2	-2^2	0	0	1	1	0	(1 -2)*-1	1	1.1	0.9;
];
mpc.gen = [
	1	0	0	10	-10	1	100	1	10	0;
];
mpc.branch = [
	1	2	0.1	0.2	0	0	0	0	0	0	1	-360	360;
];
[PQ, PV, REF, NONE, BUS_I, BUS_TYPE, PD, QD] = idx_bus;
[GEN_BUS, PG, QG, QMAX, QMIN, VG, MBASE, GEN_STATUS, PMAX, PMIN, ...
    MU_PMAX] = idx_gen;
fixed = 0;
if fixed && 1
  mpc.bus(idx, PD) = find(1);
elseif ~fixed
  mpc.gen(1, PMAX) = mpc.gen(1, PMAX) * 2 + pi;
else
  for k = 1:2
  end
end
mpc.bus(:, [PD, QD]) = mpc.bus(:, [PD QD]) ./ 1e3 - mpc.bus(:, [PD QD]) .* 0;
